#include "sim/client.h"

#include "sim/socketio.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>

namespace sim
{

DaemonConnection::DaemonConnection(std::string socketPath) : path(std::move(socketPath)) {}

DaemonConnection::~DaemonConnection()
{
    if (fd >= 0)
        ::close(fd);
}

std::optional<std::vector<uint8_t>> DaemonConnection::call(const std::vector<uint8_t>& request)
{
    if (fd < 0)
        fd = io::connectTo(path);
    std::vector<uint8_t> reply;
    if (fd < 0 || !io::sendRecord(fd, request) || !io::recvRecord(fd, reply)) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
        return std::nullopt;
    }
    if (reply.empty() || reply[0] != (request[0] | wire::kReplyBit))
        return std::nullopt;
    return reply;
}

namespace
{

DaemonConnection& threadConnection()
{
    static thread_local DaemonConnection connection;
    return connection;
}

// Sends a request whose reply starts with an i32 result; `rest` reads what follows it.
template <typename Rest> int callForResult(const wire::Writer& request, Rest rest)
{
    const auto reply = threadConnection().call(request.payload());
    if (!reply)
        return -1;
    wire::Reader in(*reply);
    in.u8();
    const int result = in.i32();
    rest(in);
    return in.ok() ? result : -1;
}

int callForResult(const wire::Writer& request)
{
    return callForResult(request, [](wire::Reader&) {});
}

// The reply's bytes after the result are copied into data.
int callForBytes(const wire::Writer& request, uint8_t* data, size_t len)
{
    return callForResult(request, [data, len](wire::Reader& in) {
        const std::vector<uint8_t> bytes = in.bytes();
        std::copy(bytes.begin(), bytes.begin() + long(std::min(len, bytes.size())), data);
    });
}

} // namespace

std::vector<DeviceEntry> ClientBackend::enumerate(uint16_t vid, uint16_t pid)
{
    const auto reply =
        threadConnection().call(wire::Writer(wire::Enumerate).u16(vid).u16(pid).payload());
    if (!reply)
        return {};
    wire::Reader in(*reply);
    in.u8();
    const uint32_t n = in.u32();
    std::vector<DeviceEntry> out;
    for (uint32_t i = 0; i < n && in.ok(); ++i)
        out.push_back(in.entry());
    return in.ok() ? out : std::vector<DeviceEntry>();
}

int ClientBackend::open(const std::string& path)
{
    return callForResult(wire::Writer(wire::Open).str(path));
}

void ClientBackend::close(int handle)
{
    threadConnection().call(wire::Writer(wire::Close).i32(handle).payload());
}

int ClientBackend::write(int handle, const uint8_t* data, size_t len)
{
    return callForResult(wire::Writer(wire::Write).i32(handle).bytes(data, len));
}

int ClientBackend::read(int handle, uint8_t* data, size_t len, int timeoutMs)
{
    return callForBytes(
        wire::Writer(wire::Read).i32(handle).u32(uint32_t(len)).i32(timeoutMs < 0 ? -1 : timeoutMs),
        data, len);
}

int ClientBackend::sendFeature(int handle, const uint8_t* data, size_t len)
{
    return callForResult(wire::Writer(wire::SendFeature).i32(handle).bytes(data, len));
}

int ClientBackend::getFeature(int handle, uint8_t* data, size_t len)
{
    return callForBytes(wire::Writer(wire::GetFeature).i32(handle).bytes(data, len), data, len);
}

ControlResult controlDaemon(const std::vector<std::string>& args, const std::string& socketPath)
{
    wire::Writer request(wire::Control);
    request.u32(uint32_t(args.size()));
    for (const std::string& a : args)
        request.str(a);
    DaemonConnection connection(socketPath);
    const auto reply = connection.call(request.payload());
    if (!reply)
        return {3, "no simulator answers at " + socketPath + "\n"};
    wire::Reader in(*reply);
    in.u8();
    ControlResult r;
    r.status = in.i32();
    r.text = in.str();
    if (!in.ok())
        return {3, "bad reply from " + socketPath + "\n"};
    return r;
}

} // namespace sim
