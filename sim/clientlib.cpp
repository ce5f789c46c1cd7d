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

// Opens a change stream: a connection on which the daemon sends one byte per plug, unplug or
// re-enumeration. -1 when no daemon answers.
int subscribe(const std::string& path)
{
    const int fd = io::connectTo(path);
    std::vector<uint8_t> reply;
    if (fd >= 0 && io::sendRecord(fd, wire::Writer(wire::Subscribe).payload()) &&
        io::recvRecord(fd, reply))
        return fd;
    if (fd >= 0)
        ::close(fd);
    return -1;
}

// Turns each change on the stream into a byte on the pipe. The daemon going away, or a new one
// starting, is a change too; reconnects every half second.
void watchChanges(int stream, int pipeWrite)
{
    const std::string path = wire::socketPath();
    for (;;) {
        if (stream >= 0) {
            char events[64];
            while (::read(stream, events, sizeof events) > 0)
                (void)!::write(pipeWrite, "c", 1);
            ::close(stream);
            (void)!::write(pipeWrite, "c", 1);
        }
        do {
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            stream = subscribe(path);
        } while (stream < 0);
        (void)!::write(pipeWrite, "c", 1);
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
        // Subscribed before returning, so no change after this call is missed.
        std::thread(sim::watchChanges, sim::subscribe(sim::wire::socketPath()), ends[1]).detach();
        return ends[0];
    }();
    return fd;
}
