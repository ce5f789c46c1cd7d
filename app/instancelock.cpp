#include "app/instancelock.h"

#include <QDir>
#include <QSharedMemory>
#include <QStandardPaths>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#ifdef Q_OS_UNIX
// A folder only this user can enter: created with mode 0700, or found owned by the user with no
// access for anyone else (a link planted by another user leads to a folder that user owns).
static bool privateFolder(const QString& dir)
{
    const QByteArray name = QFile::encodeName(dir);
    if (::mkdir(name.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st;
    return ::stat(name.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 0077) == 0;
}
#endif

QString instanceMeetingDir(bool perUser)
{
#ifdef Q_OS_UNIX
    if (!perUser)
        return QDir::tempPath();
    // XDG_RUNTIME_DIR, checked for owner and mode; unset, a per-user folder in the temporary
    // folder that Qt makes with the same checks.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty() && privateFolder(runtime))
        return runtime;
    // Someone else holds that name: a private folder in the user's own cache instead.
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    QDir().mkpath(cache);
    const QString own = cache + QStringLiteral("/quillex-runtime");
    return privateFolder(own) ? own : QString();
#else
    Q_UNUSED(perUser)
    return QString();
#endif
}

QString instanceServerName(const QString& instanceKey, bool perUser)
{
#ifdef Q_OS_UNIX
    const QString dir = instanceMeetingDir(perUser);
    if (!dir.isEmpty())
        return dir + QLatin1Char('/') + instanceKey;
#else
    Q_UNUSED(perUser)
#endif
    return instanceKey;
}

InstanceLock::InstanceLock(const QString& instanceKey, bool perUser, QSharedMemory* memory)
    : memory(memory)
{
#ifdef Q_OS_UNIX
    const QString dir = instanceMeetingDir(perUser);
    if (dir.isEmpty())
        return; // the shared memory's own lock still serves
    path = QFile::encodeName(dir + QLatin1Char('/') + instanceKey + QLatin1String(".lock"));
    mode = perUser ? 0600 : 0666;
    openFile();
#else
    Q_UNUSED(instanceKey)
    Q_UNUSED(perUser)
#endif
}

InstanceLock::~InstanceLock()
{
#ifdef Q_OS_UNIX
    if (fd >= 0)
        ::close(fd);
#endif
}

void InstanceLock::openFile()
{
#ifdef Q_OS_UNIX
    fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, mode);
#endif
}

bool InstanceLock::holdsCurrentFile() const
{
#ifdef Q_OS_UNIX
    struct stat held;
    struct stat named;
    return ::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 &&
           held.st_dev == named.st_dev && held.st_ino == named.st_ino;
#else
    return true;
#endif
}

void InstanceLock::lock()
{
#ifdef Q_OS_UNIX
    while (fd >= 0) {
        while (::flock(fd, LOCK_EX) == -1 && errno == EINTR) {
        }
        if (holdsCurrentFile())
            return;
        ::close(fd);
        openFile();
    }
#endif
    memory->lock(); // no lock file here, or it could not be made again
}

void InstanceLock::unlock()
{
#ifdef Q_OS_UNIX
    if (fd >= 0) {
        ::flock(fd, LOCK_UN);
        return;
    }
#endif
    memory->unlock();
}

void InstanceLock::removeFile()
{
#ifdef Q_OS_UNIX
    if (fd >= 0)
        ::unlink(path.constData());
#endif
}
