#include "frontend/settingsfiles.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>

bool fitsSizeBound(const QString& path, qint64 maxBytes)
{
    const QFileInfo file(path);
    return !file.exists() || file.size() <= maxBytes;
}

QString boundedSettingsPath(const QString& path, qint64 maxBytes)
{
    if (fitsSizeBound(path, maxBytes))
        return path;
    const QString aside = path + QStringLiteral(".oversized");
    qDebug() << "settings file" << path << "is larger than" << maxBytes << "bytes; kept as"
             << aside;
    // An earlier oversized copy is replaced: only the latest damaged file is worth keeping.
    QFile::remove(aside);
    if (QFile::rename(path, aside))
        return path;
    qDebug() << "cannot move" << path << "aside; its settings are not read";
    return path + QStringLiteral(".unread");
}
