#pragma once

#include "sim/bus.h"
#include "sim/trace.h"

#include <set>
#include <vector>

namespace sim
{

// Turns one request record into its reply record. Knows no sockets, so malformed input can be
// fed to it directly; anything it cannot parse gets an error reply.
class Dispatcher
{
public:
    enum class After { Reply, Subscribe, Stop };

    // hid: the backend requests go to (the bus behind a trace recorder); control commands act on
    // the bus and trace themselves.
    Dispatcher(HidBackend& hid, VirtualBus& bus, Trace& trace) : hid(hid), bus(bus), trace(trace) {}

    // owned: the handles the requesting connection opened, closed when it goes away.
    std::vector<uint8_t> handle(const std::vector<uint8_t>& request, std::set<int>& owned,
                                After& after);

private:
    std::vector<uint8_t> control(const std::vector<std::string>& args, After& after);

    HidBackend& hid;
    VirtualBus& bus;
    Trace& trace;
};

} // namespace sim
