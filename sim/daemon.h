#pragma once

#include "sim/bus.h"
#include "sim/dispatcher.h"
#include "sim/trace.h"
#include "sim/tracingbackend.h"

#include <string>
#include <sys/types.h>

namespace sim
{

// The quillex-sim daemon: one bus shared by every process that connects to its socket. One
// thread per connection; a connection's open handles are closed when it goes away.
class Daemon
{
public:
    explicit Daemon(std::string socketPath);
    ~Daemon();

    // Binds the socket (replacing a stale socket file nobody answers on).
    bool listen(std::string& error);
    // Accepts connections until a "stop" request ends the process, or its socket file is gone.
    [[noreturn]] void run();

private:
    void serve(int fd);
    void streamChanges(int fd);
    bool socketFileIsOurs() const;

    std::string path;
    int listenFd = -1;
    ino_t socketInode = 0;
    dev_t socketDevice = 0;
    VirtualBus bus;
    Trace trace;
    TracingBackend traced{bus, trace};
    Dispatcher dispatcher{traced, bus, trace};
};

} // namespace sim
