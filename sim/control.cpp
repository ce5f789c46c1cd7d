#include "sim/control.h"

#include <cstdlib>

namespace sim
{

namespace
{

const char kUsage[] = "commands: ping | list | plug <kind> [name] | unplug <name> | "
                      "release <name> <hex> | notify <name> <b0> <b1> <b2> <b3> | "
                      "fault <name> <kind> [args] | state [name] | memory <name> <region> | "
                      "do <name> <args...> | trace [--clear] [text] | reset";

ControlResult ok(std::string text = {})
{
    return {0, std::move(text)};
}
ControlResult refused(std::string text)
{
    return {1, std::move(text) + '\n'};
}
ControlResult usage()
{
    return {2, std::string(kUsage) + '\n'};
}

ControlResult state(VirtualBus& bus, const std::vector<std::string>& args)
{
    std::string out;
    if (args.size() > 1) {
        out = bus.describe(args[1]);
        return out.empty() ? refused("no such device: " + args[1]) : ok(out);
    }
    for (const std::string& name : bus.devices())
        out += bus.describe(name);
    return ok(out.empty() ? "no devices\n" : out);
}

ControlResult notify(VirtualBus& bus, const std::vector<std::string>& args)
{
    if (args.size() != 6)
        return usage();
    std::array<uint8_t, 4> bytes{};
    for (size_t i = 0; i < 4; ++i) {
        const auto v = parseHex16(args[2 + i]);
        if (!v || *v > 0xFF)
            return refused("not a hex byte: " + args[2 + i]);
        bytes[i] = uint8_t(*v);
    }
    return bus.notify(args[1], bytes) ? ok() : refused("cannot notify: " + args[1]);
}

// trace [--clear] [text]: the lines containing text (all without it), then forget everything.
ControlResult trace(Trace& t, const std::vector<std::string>& args)
{
    bool clear = false;
    std::string filter;
    for (size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--clear")
            clear = true;
        else
            filter = args[i];
    }
    std::string text;
    for (const TraceEntry& e : t.snapshot()) {
        const std::string line = Trace::formatEntry(e);
        if (line.find(filter) != std::string::npos)
            text += line + '\n';
    }
    if (clear)
        t.clear();
    return ok(text);
}

} // namespace

std::optional<uint16_t> parseHex16(const std::string& text)
{
    std::string digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        digits = digits.substr(2);
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    char* end = nullptr;
    const unsigned long v = std::strtoul(digits.c_str(), &end, 16);
    if (*end || digits.find_first_of("+- ") != std::string::npos)
        return std::nullopt;
    return uint16_t(v);
}

ControlResult runControl(VirtualBus& bus, Trace& t, const std::vector<std::string>& args)
{
    if (args.empty())
        return usage();
    const std::string& verb = args[0];
    std::string error;
    if (verb == "ping")
        return ok("pong\n");
    if (verb == "list") {
        std::string out;
        for (const std::string& name : bus.devices())
            out += name + '\n';
        return ok(out);
    }
    if (verb == "plug" && (args.size() == 2 || args.size() == 3))
        return bus.plug(args[1], args.size() == 3 ? args[2] : args[1], error) ? ok()
                                                                              : refused(error);
    if (verb == "unplug" && args.size() == 2)
        return bus.unplug(args[1]) ? ok() : refused("no such device: " + args[1]);
    if (verb == "release" && args.size() == 3) {
        const auto release = parseHex16(args[2]);
        if (!release)
            return refused("not a hex release number: " + args[2]);
        return bus.setRelease(args[1], *release) ? ok() : refused("no such device: " + args[1]);
    }
    if (verb == "notify")
        return notify(bus, args);
    if (verb == "fault" && args.size() >= 3) {
        const std::vector<std::string> rest(args.begin() + 2, args.end());
        return bus.fault(args[1], rest, error) ? ok() : refused(error);
    }
    if (verb == "state")
        return state(bus, args);
    if (verb == "memory" && args.size() == 3) {
        const auto bytes = bus.memory(args[1], args[2]);
        return bytes ? ok(hexBytes(*bytes) + '\n') : refused("no such memory: " + args[2]);
    }
    if (verb == "do" && args.size() >= 3) {
        const auto reply = bus.command(args[1], {args.begin() + 2, args.end()});
        return reply ? ok(*reply) : refused("not understood by " + args[1]);
    }
    if (verb == "trace")
        return trace(t, args);
    if (verb == "reset") {
        bus.unplugAll();
        t.clear();
        return ok();
    }
    return usage();
}

} // namespace sim
