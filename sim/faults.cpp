#include "sim/faults.h"

#include <cctype>
#include <cstdlib>

namespace sim
{

namespace
{

struct Switch {
    const char* name;
    bool Faults::*flag;
};

const Switch kSwitches[] = {
    {"open", &Faults::openFails},   {"send", &Faults::sendFails}, {"get", &Faults::getFails},
    {"write", &Faults::writeFails}, {"read", &Faults::readFails}, {"no-answer", &Faults::noAnswer},
    {"garbage", &Faults::garbage},
};

const struct {
    const char* name;
    const char* label;
} kHideable[] = {{"no-command", "cmd"}, {"no-event", "event"}};

// Faults that strike after a number of transfers.
const struct {
    const char* name;
    long Faults::*count;
} kCountdowns[] = {{"disconnect-after", &Faults::disconnectAfter},
                   {"power-loss-after", &Faults::powerLossAfter}};

} // namespace

bool applyFault(Faults& faults, const std::vector<std::string>& args, std::string& error)
{
    if (args.empty()) {
        error = "fault kind missing";
        return false;
    }
    const std::string& kind = args[0];
    const bool off = args.size() > 1 && args[1] == "off";
    if (kind == "clear") {
        faults = Faults();
        return true;
    }
    for (const Switch& s : kSwitches) {
        if (kind == s.name) {
            faults.*s.flag = !off;
            if (faults.noAnswer && kind == "no-answer")
                faults.instantTimeout = args.size() > 1 && args[1] == "instant";
            return true;
        }
    }
    for (const auto& h : kHideable) {
        if (kind == h.name) {
            if (off)
                faults.hidden.erase(h.label);
            else
                faults.hidden.insert(h.label);
            return true;
        }
    }
    for (const auto& c : kCountdowns) {
        if (kind != c.name)
            continue;
        if (off) {
            faults.*c.count = -1;
            return true;
        }
        char* end = nullptr;
        const long n = args.size() > 1 ? std::strtol(args[1].c_str(), &end, 10) : -1;
        if (args.size() < 2 || !std::isdigit(uint8_t(args[1][0])) || *end) {
            error = std::string(c.name) + " needs a transfer count";
            return false;
        }
        faults.*c.count = n;
        return true;
    }
    error = "unknown fault: " + kind;
    return false;
}

std::string describeFaults(const Faults& faults)
{
    std::string out;
    for (const Switch& s : kSwitches)
        if (faults.*s.flag)
            out += std::string(out.empty() ? "" : " ") + s.name;
    if (faults.noAnswer && faults.instantTimeout)
        out += " (instant)";
    for (const auto& h : kHideable)
        if (faults.hidden.count(h.label))
            out += std::string(out.empty() ? "" : " ") + h.name;
    for (const auto& c : kCountdowns)
        if (faults.*c.count >= 0)
            out += std::string(out.empty() ? "" : " ") + c.name + " " +
                   std::to_string(faults.*c.count);
    return out.empty() ? "none" : out;
}

} // namespace sim
