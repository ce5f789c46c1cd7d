#include "device/devicelock.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

static QString lockName()
{
    const QString virtualBus = qEnvironmentVariable("QUILLEX_SIM_SOCKET");
    if (virtualBus.isEmpty())
        return QStringLiteral("quillex-devices.lock");
    // However the socket is spelled, one bus is one lock.
    const QFileInfo socket(virtualBus);
    const QString canonical = socket.canonicalFilePath().isEmpty()
                                  ? QDir::cleanPath(socket.absoluteFilePath())
                                  : socket.canonicalFilePath();
    return QStringLiteral("quillex-devices-%1.lock")
        .arg(QString::fromLatin1(
            QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1)
                .toHex()
                .left(16)));
}

static QString lockPath()
{
    // The per-user runtime folder: shared by all of one user's programs, gone at log-out. Where
    // the system keeps one for the user, it is used whatever the environment says, so that a
    // program started with another XDG_RUNTIME_DIR still meets the others.
    QString folder;
#ifdef Q_OS_UNIX
    const QString system = QStringLiteral("/run/user/%1").arg(getuid());
    if (QFileInfo(system).isDir() && QFileInfo(system).ownerId() == getuid())
        folder = system;
#endif
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    return folder + QLatin1Char('/') + lockName();
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
