// libFuzzer target: daemon requests and device reports built from arbitrary bytes. The input is
// cut into records at their length prefixes, as the daemon reads its socket; each record is
// handled like a request, and its payload is also sent to the mouse as a feature and an output
// report. Build with -DQUILLEX_FUZZ=ON and clang; run: fuzz_records tests/sim/corpus
#include "sim/dispatcher.h"
#include "sim/tracingbackend.h"
#include "sim/wire.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static sim::VirtualBus bus;
    static sim::Trace trace;
    static sim::TracingBackend traced(bus, trace);
    static sim::Dispatcher dispatcher(traced, bus, trace);
    std::string error;
    if (bus.devices().empty())
        bus.plug("mouse", "mouse", error);

    std::set<int> owned;
    while (size >= 4) {
        const auto length = sim::wire::parseLength(data);
        if (!length || *length > size - 4)
            break;
        std::vector<uint8_t> payload(data + 4, data + 4 + *length);
        data += 4 + *length;
        size -= 4 + *length;
        if (payload[0] == sim::wire::Read && payload.size() >= 13)
            std::memset(&payload[9], 0, 4); // never wait: a time-out of 0
        sim::Dispatcher::After after;
        dispatcher.handle(payload, owned, after);
        std::string cmd;
        for (const sim::DeviceEntry& e : bus.enumerate(0, 0))
            if (e.usagePage == 0xFF10)
                cmd = e.path;
        const int handle = bus.open(cmd);
        bus.sendFeature(handle, payload.data(), payload.size());
        bus.write(handle, payload.data(), payload.size());
        bus.close(handle);
    }
    for (int h : owned)
        traced.close(h);
    trace.clear();
    return 0;
}
