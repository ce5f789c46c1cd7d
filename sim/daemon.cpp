#include "sim/daemon.h"

#include "sim/socketio.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <memory>
#include <mutex>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace sim
{

Daemon::Daemon(std::string socketPath) : path(std::move(socketPath)) {}

Daemon::~Daemon()
{
    if (listenFd >= 0)
        ::close(listenFd);
}

bool Daemon::listen(std::string& error)
{
    std::signal(SIGPIPE, SIG_IGN);
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path) {
        error = "socket path too long: " + path;
        return false;
    }
    const int probe = io::connectTo(path);
    if (probe >= 0) {
        ::close(probe);
        error = "a simulator already runs at " + path;
        return false;
    }
    ::unlink(path.c_str()); // stale file of a daemon that is gone
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd < 0 || ::bind(listenFd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd, 64) != 0) {
        error = "cannot listen on " + path + ": " + std::strerror(errno);
        return false;
    }
    struct stat bound;
    if (::stat(path.c_str(), &bound) == 0) {
        socketInode = bound.st_ino;
        socketDevice = bound.st_dev;
    }
    return true;
}

bool Daemon::socketFileIsOurs() const
{
    struct stat now;
    return ::stat(path.c_str(), &now) == 0 && now.st_ino == socketInode &&
           now.st_dev == socketDevice;
}

void Daemon::run()
{
    for (;;) {
        // A daemon whose socket file was removed (say with a test's temporary folder) or taken
        // over can never be reached again: it ends instead of lingering.
        pollfd waiting = {listenFd, POLLIN, 0};
        const int ready = ::poll(&waiting, 1, 2000);
        if (ready == 0 && !socketFileIsOurs())
            ::_exit(0);
        if (ready <= 0)
            continue;
        const int fd = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EMFILE || errno == ENFILE)
                continue;
            break;
        }
        std::thread([this, fd] { serve(fd); }).detach();
    }
    ::unlink(path.c_str());
    ::_exit(1);
}

void Daemon::serve(int fd)
{
    std::set<int> owned;
    std::vector<uint8_t> request;
    Dispatcher::After after = Dispatcher::After::Reply;
    while (io::recvRecord(fd, request)) {
        if (!io::sendRecord(fd, dispatcher.handle(request, owned, after)))
            break;
        if (after == Dispatcher::After::Stop) {
            ::unlink(path.c_str());
            ::_exit(0); // connection threads may be blocked in reads: no orderly teardown
        }
        if (after == Dispatcher::After::Subscribe) {
            streamChanges(fd);
            break;
        }
    }
    for (int h : owned)
        traced.close(h);
    ::close(fd);
}

void Daemon::streamChanges(int fd)
{
    // The listener may run on any thread until it is removed; it writes through this guard.
    struct Stream {
        std::mutex lock;
        int fd;
    };
    auto stream = std::make_shared<Stream>();
    stream->fd = fd;
    const int id = bus.addChangeListener([stream] {
        std::lock_guard<std::mutex> guard(stream->lock);
        if (stream->fd >= 0)
            (void)!::send(stream->fd, "c", 1, MSG_DONTWAIT | MSG_NOSIGNAL);
    });
    char sink[64];
    while (::recv(fd, sink, sizeof sink, 0) > 0) {
        // subscribers send nothing; anything they do send is dropped
    }
    bus.removeChangeListener(id);
    std::lock_guard<std::mutex> guard(stream->lock);
    stream->fd = -1;
}

} // namespace sim
