#pragma once

#include "sim/bus.h"
#include "sim/trace.h"

#include <string>
#include <vector>

namespace sim
{

struct ControlResult {
    int status = 0; // 0 ok, 1 refused, 2 usage error
    std::string text;
};

// The control commands shared by the daemon and in-process tests ("plug mouse", "fault mouse
// open", "state", ...). Pure: works on the given bus and trace only.
ControlResult runControl(VirtualBus& bus, Trace& trace, const std::vector<std::string>& args);

// Parses 1-4 hex digits with an optional 0x prefix.
std::optional<uint16_t> parseHex16(const std::string& text);

} // namespace sim
