#include "device/devicelock.h"

#include <QDir>
#include <QStandardPaths>

static QString lockPath(const QString& lockName)
{
    // The per-user runtime folder: shared by all of one user's programs, gone at log-out.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + lockName;
}

DeviceLock::DeviceLock(const QString& lockName) : file(lockPath(lockName))
{
    // Held for a whole session by the window: never taken as stale by age, only by a dead holder.
    file.setStaleLockTime(0);
}

bool DeviceLock::tryLock(int timeoutMs)
{
    return file.tryLock(timeoutMs);
}

QString DeviceLock::holder() const
{
    qint64 pid = 0;
    QString host, application;
    if (!file.getLockInfo(&pid, &host, &application))
        return QString();
    return application;
}
