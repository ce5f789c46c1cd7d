#include "app/demo.h"

#include "device/virtualbus.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

static const char simSocketVariable[] = "QUILLEX_SIM_SOCKET";
// Set before the demo starts itself again: if the drop-in hidapi still is not loaded then, it
// never will be, and starting again would loop.
static const char restartedVariable[] = "QUILLEX_DEMO_RESTARTED";

static std::string privateTmpFolder()
{
    return "/tmp/quillex-demo-" + std::to_string(::getuid());
}

std::string demoSocketPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/quillex-demo.sock";
    return privateTmpFolder() + "/sim.sock";
}

bool runsOnDemoDevices()
{
    const char* socket = std::getenv(simSocketVariable);
    if (!(onVirtualBus() && socket && socket == demoSocketPath()))
        return false;
    // Programs started from here (another demo among them) must not take the mark for theirs.
    ::unsetenv(restartedVariable);
    return true;
}

// Without a runtime folder the socket lives in /tmp, where anyone may create files: only a
// folder of this user's that nobody else can enter keeps others' daemons and files out.
static bool preparePrivateTmpFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return true;
    const std::string folder = privateTmpFolder();
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat info = {};
    return ::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           info.st_uid == ::getuid() && (info.st_mode & 077) == 0;
}

static std::string executablePath()
{
    std::vector<char> path(4096);
    const ssize_t size = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    return size > 0 ? std::string(path.data(), size_t(size)) : std::string();
}

static std::string simFolder()
{
    const std::string self = executablePath();
    return self.substr(0, self.rfind('/')) + "/sim";
}

int execDemo(char* argv[])
{
    const std::string sim = simFolder();
    if (::access((sim + "/quillex-sim").c_str(), X_OK) != 0 ||
        ::access((sim + "/libhidapi-hidraw.so.0").c_str(), R_OK) != 0) {
        std::fprintf(stderr, "quillex: the demo needs the virtual devices in %s\n", sim.c_str());
        return 1;
    }
    if (std::getenv(restartedVariable)) {
        std::fprintf(stderr, "quillex: the demo's hidapi in %s could not be loaded\n", sim.c_str());
        return 1;
    }
    if (!preparePrivateTmpFolder()) {
        std::fprintf(stderr,
                     "quillex: %s is not a private folder of this user; set XDG_RUNTIME_DIR\n",
                     privateTmpFolder().c_str());
        return 1;
    }
    ::setenv(simSocketVariable, demoSocketPath().c_str(), 1);
    const char* libraryPath = std::getenv("LD_LIBRARY_PATH");
    ::setenv("LD_LIBRARY_PATH",
             (libraryPath && *libraryPath ? sim + ":" + libraryPath : sim).c_str(), 1);
    ::setenv(restartedVariable, "1", 1);
    // The window's instance name, which desktops match with the demo's menu entry.
    ::setenv("RESOURCE_NAME", "quillex-demo", 1);
    ::execv(executablePath().c_str(), argv);
    std::fprintf(stderr, "quillex: could not start the demo\n");
    return 1;
}

// A daemon that stopped answering must not hang the demo's start or its end.
static const int simCommandTimeoutMs = 5000;

// Whether the child `pid` ended with status 0 within `ms`; one that did not is killed.
static bool waitWithDeadline(pid_t pid, int ms)
{
    const int ended = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    pollfd watch{ended, POLLIN, 0};
    const bool inTime = ended >= 0 && ::poll(&watch, 1, ms) == 1;
    if (ended >= 0)
        ::close(ended);
    if (!inTime)
        ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return inTime && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One quillex-sim command on the demo's socket; true when it was done.
static bool simCommand(const std::vector<std::string>& arguments, bool quiet = false)
{
    const std::string program = simFolder() + "/quillex-sim";
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const bool spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    return spawned && waitWithDeadline(pid, simCommandTimeoutMs);
}

bool startDemoDevices()
{
    if (simCommand({"ping"}, true))
        simCommand({"stop"});
    if (simCommand({"serve", "--detach"}) && simCommand({"plug", "mouse"}) &&
        simCommand({"plug", "receiver8k"}))
        return true;
    std::fprintf(stderr, "quillex: the demo's virtual devices did not start (socket %s)\n",
                 demoSocketPath().c_str());
    stopDemoDevices();
    return false;
}

void stopDemoDevices()
{
    simCommand({"stop"}, true);
}
