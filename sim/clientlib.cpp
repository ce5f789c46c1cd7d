// The daemon-backed hidapi library (libhidapi-hidraw.so.0 in build/bin/sim): the exported hidapi
// functions forward to the quillex-sim daemon, and quillex_sim_change_fd() reports plug and
// unplug events.
#include "sim/client.h"
#include "sim/hidapi_backend.h"
#include "sim/socketio.h"

#include <chrono>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace sim
{

HidBackend& hidapiBackend()
{
    static ClientBackend backend;
    return backend;
}

namespace
{

// Follows the daemon's change stream and turns each change into a byte on the pipe; when the
// daemon goes away or a new one starts, that is a change too. Reconnects every half second.
void watchChanges(int pipeWrite)
{
    const std::string path = wire::socketPath();
    bool wasConnected = false;
    bool everConnected = false;
    for (;;) {
        const int fd = io::connectTo(path);
        std::vector<uint8_t> reply;
        if (fd >= 0 && io::sendRecord(fd, wire::Writer(wire::Subscribe).payload()) &&
            io::recvRecord(fd, reply)) {
            if (everConnected)
                (void)!::write(pipeWrite, "c", 1); // a new daemon: devices may differ
            wasConnected = everConnected = true;
            char events[64];
            while (::read(fd, events, sizeof events) > 0)
                (void)!::write(pipeWrite, "c", 1);
        }
        if (fd >= 0)
            ::close(fd);
        if (wasConnected) {
            (void)!::write(pipeWrite, "c", 1);
            wasConnected = false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
    }
}

} // namespace
} // namespace sim

extern "C" int quillex_sim_change_fd(void)
{
    static const int fd = [] {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return -1;
        std::thread(sim::watchChanges, ends[1]).detach();
        return ends[0];
    }();
    return fd;
}
