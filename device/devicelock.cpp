#include "device/devicelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

// `user` tells the users apart in a shared folder.
static QString lockName(const QString& user)
{
    const QString virtualBus = qEnvironmentVariable("QUILLEX_SIM_SOCKET");
    if (virtualBus.isEmpty())
        return QStringLiteral("quillex-devices%1.lock").arg(user);
    // However the socket is spelled, one bus is one lock.
    const QFileInfo socket(virtualBus);
    const QString canonical = socket.canonicalFilePath().isEmpty()
                                  ? QDir::cleanPath(socket.absoluteFilePath())
                                  : socket.canonicalFilePath();
    return QStringLiteral("quillex-devices%1-%2.lock")
        .arg(user, QString::fromLatin1(
                       QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1)
                           .toHex()
                           .left(16)));
}

static QString lockPath()
{
    // One place per user whatever the environment says: a program started with another
    // XDG_RUNTIME_DIR (or none) must still meet the others. The system's runtime folder of the
    // user where there is one, else /tmp; a name someone else took there leaves no lock to take,
    // which DeviceLock reports as unusable rather than as held.
#ifdef Q_OS_UNIX
    const QString system = QStringLiteral("/run/user/%1").arg(getuid());
    const QFileInfo runtime(system);
    if (runtime.isDir() && runtime.ownerId() == getuid())
        return system + QLatin1Char('/') + lockName(QString());
    return QStringLiteral("/tmp/") + lockName(QStringLiteral("-%1").arg(getuid()));
#else
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + QLatin1Char('/') +
           lockName(QString());
#endif
}

DeviceLock::DeviceLock() : file(lockPath())
{
    // Held for a whole session by the window: never taken as stale by age, only by a dead holder.
    file.setStaleLockTime(0);
}

DeviceLock::Result DeviceLock::tryLock(int timeoutMs)
{
    if (file.tryLock(timeoutMs))
        return Taken;
    return file.error() == QLockFile::LockFailedError ? Held : Unusable;
}

QString DeviceLock::holder() const
{
    qint64 pid = 0;
    QString host, application;
    if (!file.getLockInfo(&pid, &host, &application))
        return QString();
    return application;
}
