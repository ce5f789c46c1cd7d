#include "sim/dispatcher.h"

#include "sim/control.h"
#include "sim/wire.h"

#include <algorithm>

namespace sim
{

namespace
{

constexpr uint32_t kMaxReport = 4096;
constexpr uint32_t kMaxArgs = 64;

std::vector<uint8_t> error(const std::string& message)
{
    return wire::Writer(wire::kError).str(message).payload();
}

} // namespace

std::vector<uint8_t> Dispatcher::control(const std::vector<std::string>& args, After& after)
{
    const uint8_t op = wire::Control | wire::kReplyBit;
    if (!args.empty() && args[0] == "stop" && args.size() == 1) {
        after = After::Stop;
        return wire::Writer(op).i32(0).str("").payload();
    }
    const ControlResult r = runControl(bus, trace, args);
    return wire::Writer(op).i32(r.status).str(r.text).payload();
}

std::vector<uint8_t> Dispatcher::handle(const std::vector<uint8_t>& request, std::set<int>& owned,
                                        After& after)
{
    after = After::Reply;
    wire::Reader in(request);
    const uint8_t op = in.u8();
    wire::Writer out(uint8_t(op | wire::kReplyBit));
    switch (op) {
    case wire::Enumerate: {
        const uint16_t vid = in.u16();
        const uint16_t pid = in.u16();
        if (!in.ok() || !in.atEnd())
            return error("bad enumerate");
        const std::vector<DeviceEntry> found = hid.enumerate(vid, pid);
        out.u32(uint32_t(found.size()));
        for (const DeviceEntry& e : found)
            out.entry(e);
        return out.payload();
    }
    case wire::Open: {
        const std::string path = in.str();
        if (!in.ok() || !in.atEnd())
            return error("bad open");
        const int h = hid.open(path);
        if (h > 0)
            owned.insert(h);
        return out.i32(h).payload();
    }
    case wire::Close: {
        const int h = in.i32();
        if (!in.ok() || !in.atEnd())
            return error("bad close");
        owned.erase(h);
        hid.close(h);
        return out.payload();
    }
    case wire::Write:
    case wire::SendFeature: {
        const int h = in.i32();
        const std::vector<uint8_t> data = in.bytes();
        if (!in.ok() || !in.atEnd() || data.empty() || data.size() > kMaxReport)
            return error("bad report");
        const int r = op == wire::Write ? hid.write(h, data.data(), data.size())
                                        : hid.sendFeature(h, data.data(), data.size());
        return out.i32(r).payload();
    }
    case wire::Read: {
        const int h = in.i32();
        const uint32_t max = in.u32();
        const int timeout = in.i32();
        if (!in.ok() || !in.atEnd() || max > kMaxReport || timeout < -1)
            return error("bad read");
        std::vector<uint8_t> data(max);
        const int r = hid.read(h, data.data(), data.size(), timeout);
        data.resize(r > 0 ? size_t(r) : 0);
        return out.i32(r).bytes(data).payload();
    }
    case wire::GetFeature: {
        const int h = in.i32();
        std::vector<uint8_t> data = in.bytes();
        if (!in.ok() || !in.atEnd() || data.empty() || data.size() > kMaxReport)
            return error("bad report");
        const int r = hid.getFeature(h, data.data(), data.size());
        data.resize(r > 0 ? std::min(size_t(r), data.size()) : 0);
        return out.i32(r).bytes(data).payload();
    }
    case wire::Control: {
        const uint32_t n = in.u32();
        if (!in.ok() || n > kMaxArgs)
            return error("bad control");
        std::vector<std::string> args;
        for (uint32_t i = 0; i < n && in.ok(); ++i)
            args.push_back(in.str());
        if (!in.ok() || !in.atEnd())
            return error("bad control");
        return control(args, after);
    }
    case wire::Subscribe:
        if (!in.atEnd())
            return error("bad subscribe");
        after = After::Subscribe;
        return out.payload();
    default:
        return error("unknown request");
    }
}

} // namespace sim
