#include "updater/boundedfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace boundedfile
{

namespace
{

// Opens `path` for reading, only when it is still a regular file once open: the file may have
// been swapped since it was checked.
bool openRegular(QFile& file, const QString& path)
{
#ifdef Q_OS_UNIX
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    return file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
#else
    file.setFileName(path);
    return file.open(QIODevice::ReadOnly);
#endif
}

} // namespace

std::optional<QByteArray> readRegularFile(const QString& path, qint64 limit)
{
    const QFileInfo info(path);
    // The size is known before anything is read, so a huge file costs no time or memory.
    if (!info.isFile() || info.size() > limit)
        return std::nullopt;
    QFile file;
    if (!openRegular(file, path))
        return std::nullopt;
    const QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

} // namespace boundedfile
