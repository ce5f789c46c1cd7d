#include "sim/socketio.h"

#include "sim/wire.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace sim::io
{

namespace
{

bool recvAll(int fd, void* data, size_t len)
{
    auto* p = static_cast<uint8_t*>(data);
    while (len) {
        const ssize_t n = ::recv(fd, p, len, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        len -= size_t(n);
    }
    return true;
}

} // namespace

int connectTo(const std::string& path)
{
    sockaddr_un addr{};
    if (path.size() >= sizeof addr.sun_path)
        return -1;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool sendAll(int fd, const void* data, size_t len)
{
    const auto* p = static_cast<const uint8_t*>(data);
    while (len) {
        const ssize_t n = ::send(fd, p, len, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        len -= size_t(n);
    }
    return true;
}

bool sendRecord(int fd, const std::vector<uint8_t>& payload)
{
    const std::vector<uint8_t> record = wire::frame(payload);
    return sendAll(fd, record.data(), record.size());
}

bool recvRecord(int fd, std::vector<uint8_t>& payload)
{
    uint8_t header[4];
    if (!recvAll(fd, header, sizeof header))
        return false;
    const auto n = wire::parseLength(header);
    if (!n)
        return false;
    payload.resize(*n);
    return recvAll(fd, payload.data(), *n);
}

} // namespace sim::io
