#include "app/instancelock.h"

#include <QDir>
#include <QSharedMemory>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

InstanceLock::InstanceLock(const QString& instanceKey, bool perUser, QSharedMemory* memory)
    : memory(memory)
{
#ifdef Q_OS_UNIX
    const QByteArray path = QFile::encodeName(QDir::tempPath() + QLatin1Char('/') + instanceKey +
                                              QLatin1String(".lock"));
    fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, perUser ? 0600 : 0666);
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

void InstanceLock::lock()
{
#ifdef Q_OS_UNIX
    if (fd >= 0) {
        while (::flock(fd, LOCK_EX) == -1 && errno == EINTR) {
        }
        return;
    }
#endif
    memory->lock();
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
