#include "device/devicelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QStandardPaths>

static QString lockName()
{
    const QByteArray virtualBus = qgetenv("QUILLEX_SIM_SOCKET");
    if (virtualBus.isEmpty())
        return QStringLiteral("quillex-devices.lock");
    return QStringLiteral("quillex-devices-%1.lock")
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(virtualBus, QCryptographicHash::Sha1).toHex().left(16)));
}

static QString lockPath()
{
    // The per-user runtime folder: shared by all of one user's programs, gone at log-out.
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + lockName();
}

DeviceLock::DeviceLock() : file(lockPath())
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
