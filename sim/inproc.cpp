#include "sim/inproc.h"

#include "sim/hidapi_backend.h"
#include "sim/tracingbackend.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace sim
{

namespace
{

struct World {
    VirtualBus bus;
    Trace trace;
    TracingBackend traced{bus, trace};
};

World& world()
{
    static World w;
    return w;
}

} // namespace

HidBackend& hidapiBackend()
{
    return world().traced;
}

namespace inproc
{

VirtualBus& bus()
{
    return world().bus;
}
Trace& trace()
{
    return world().trace;
}

void reset()
{
    world().bus.unplugAll();
    world().trace.clear();
}

ControlResult control(const std::vector<std::string>& args)
{
    return runControl(world().bus, world().trace, args);
}

} // namespace inproc
} // namespace sim

extern "C" int quillex_sim_change_fd(void)
{
    static const int fd = [] {
        const int efd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (efd >= 0)
            sim::world().bus.addChangeListener([efd] {
                const uint64_t one = 1;
                (void)!::write(efd, &one, sizeof one);
            });
        return efd;
    }();
    return fd;
}
