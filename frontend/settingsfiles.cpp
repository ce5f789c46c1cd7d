#include "frontend/settingsfiles.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace
{
// How many set-aside copies of one file are kept; a further oversized file is left unread.
constexpr int kAsideCopies = 10;

QString firstFreeAsidePath(const QString& path)
{
    for (int copy = 0; copy < kAsideCopies; ++copy) {
        const QString aside = path + QStringLiteral(".oversized") +
                              (copy ? QStringLiteral(".%1").arg(copy) : QString());
        if (!QFileInfo::exists(aside) && !QFileInfo(aside).isSymLink())
            return aside;
    }
    return QString();
}
} // namespace

bool fitsSizeBound(const QString& path, qint64 maxBytes)
{
    const QFileInfo file(path);
    // A pipe or device reports no size and could block or never end: only plain files are read.
    if (!file.exists() && !file.isSymLink())
        return true;
    return file.isFile() && file.size() <= maxBytes;
}

BoundedSettingsFile boundedSettingsFile(const QString& path, qint64 maxBytes)
{
    if (fitsSizeBound(path, maxBytes))
        return {path, QString()};
    const QString aside = firstFreeAsidePath(path);
    qDebug() << "settings file" << path << "is not a plain file of at most" << maxBytes
             << "bytes; kept as" << aside;
    if (!aside.isEmpty() && QFile::rename(path, aside))
        return {path, QFileInfo(aside).absoluteFilePath()};
    qDebug() << "cannot move" << path << "aside; its settings are not read";
    return {path + QStringLiteral(".unread"), QString()};
}

QVariantList settingsList(const QVariant& value)
{
    if (value.type() == QVariant::String)
        return value.toString().isEmpty() ? QVariantList() : QVariantList{value};
    return value.toList();
}

DocumentWrite writeSettingsDocument(const QString& path, const QByteArray& bytes, QString* failure)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        return DocumentWrite::NotRegularFile;
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return DocumentWrite::Written;
    *failure = file.errorString();
    return DocumentWrite::Failed;
}
