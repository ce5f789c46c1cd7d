// quillex-sim: runs the virtual-device daemon and sends it control commands.
#include "sim/client.h"
#include "sim/daemon.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

int serve(bool detach)
{
    sim::Daemon daemon(sim::wire::socketPath());
    std::string error;
    if (!detach) {
        if (!daemon.listen(error)) {
            std::fprintf(stderr, "quillex-sim: %s\n", error.c_str());
            return 1;
        }
        daemon.run();
    }
    // Detached: the parent returns once the child accepts connections (or reports why not).
    int ready[2];
    if (::pipe(ready) != 0)
        return 1;
    const pid_t child = ::fork();
    if (child < 0)
        return 1;
    if (child > 0) {
        ::close(ready[1]);
        char status = 1;
        if (::read(ready[0], &status, 1) != 1)
            status = 1;
        return status;
    }
    ::close(ready[0]);
    ::setsid();
    // Keep nothing of the caller's: a pipe inherited from a test runner would never see its end.
    const long maxFd = std::min(::sysconf(_SC_OPEN_MAX), 65536L);
    for (int fd = 3; fd < maxFd; ++fd)
        if (fd != ready[1])
            ::close(fd);
    const bool ok = daemon.listen(error);
    if (!ok)
        std::fprintf(stderr, "quillex-sim: %s\n", error.c_str());
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0) {
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
    }
    const char status = ok ? 0 : 1;
    (void)!::write(ready[1], &status, 1);
    ::close(ready[1]);
    if (!ok)
        ::_exit(1);
    daemon.run();
}

void usage()
{
    std::fputs("usage: quillex-sim serve [--detach] | ping | stop | list | plug <kind> [name] |\n"
               "       unplug <name> | release <name> <hex> | notify <name> <b0> <b1> <b2> <b3> |\n"
               "       fault <name> <kind> [args] | state [name] | memory <name> <region> |\n"
               "       do <name> <args...> | trace [--clear] [text] | reset\n"
               "kinds: mouse receiver8k receiver1k; socket: $QUILLEX_SIM_SOCKET\n",
               stderr);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) {
        usage();
        return argc < 2 ? 2 : 0;
    }
    if (!std::strcmp(argv[1], "serve")) {
        const bool detach = argc == 3 && !std::strcmp(argv[2], "--detach");
        if (argc > 3 || (argc == 3 && !detach)) {
            usage();
            return 2;
        }
        return serve(detach);
    }
    const std::vector<std::string> args(argv + 1, argv + argc);
    const sim::ControlResult r = sim::controlDaemon(args);
    std::fputs(r.text.c_str(), r.status == 0 ? stdout : stderr);
    return r.status;
}
