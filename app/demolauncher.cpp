#include "app/demolauncher.h"

#include "device/virtualbus.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

static const char simSocketVariable[] = "QUILLEX_SIM_SOCKET";

std::string demoSocketPath()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime)
        return std::string(runtime) + "/quillex-demo.sock";
    return "/tmp/quillex-demo-" + std::to_string(::getuid()) + ".sock";
}

bool runsOnDemoDevices()
{
    const char* socket = std::getenv(simSocketVariable);
    return onVirtualBus() && socket && socket == demoSocketPath();
}

static std::string executablePath()
{
    std::vector<char> path(4096);
    const ssize_t size = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
    return size > 0 ? std::string(path.data(), size_t(size)) : std::string();
}

static std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// `childSignals`, when given, is the signal mask the child starts with.
static pid_t spawn(const std::string& program, const std::vector<std::string>& arguments,
                   bool quiet, const sigset_t* childSignals = nullptr)
{
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (quiet)
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (childSignals) {
        posix_spawnattr_setsigmask(&attributes, childSignals);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    }
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ) != 0)
        pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

// Waits through signals; the exit status as a shell reports it.
static int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return 1;
    }
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

static bool simCommand(const std::string& sim, const std::vector<std::string>& arguments)
{
    const pid_t pid = spawn(sim, arguments, true);
    return pid > 0 && waitFor(pid) == 0;
}

static volatile sig_atomic_t demoChild = 0;

// A logout or a kill ends the app through its orderly exit, and the launcher after it.
static void forwardToChild(int signal)
{
    if (demoChild > 0)
        ::kill(demoChild, signal);
}

int runDemoLauncher(int argc, char* argv[])
{
    const std::string self = executablePath();
    const std::string simFolder = folderOf(self) + "/sim";
    const std::string sim = simFolder + "/quillex-sim";
    const std::string hidapi = simFolder + "/libhidapi-hidraw.so.0";
    if (self.empty() || ::access(sim.c_str(), X_OK) != 0 || ::access(hidapi.c_str(), R_OK) != 0) {
        std::fprintf(stderr, "quillex: the demo needs the virtual devices in %s\n",
                     simFolder.c_str());
        return 1;
    }

    ::setenv(simSocketVariable, demoSocketPath().c_str(), 1);
    const bool startedDevices = !simCommand(sim, {"ping"});
    if (startedDevices &&
        !(simCommand(sim, {"serve", "--detach"}) && simCommand(sim, {"plug", "mouse"}) &&
          simCommand(sim, {"plug", "receiver8k"}))) {
        std::fprintf(stderr, "quillex: the demo's virtual devices did not start (socket %s)\n",
                     demoSocketPath().c_str());
        simCommand(sim, {"stop"});
        return 1;
    }
    const char* libraryPath = std::getenv("LD_LIBRARY_PATH");
    const std::string withSim =
        libraryPath && *libraryPath ? simFolder + ":" + libraryPath : simFolder;
    ::setenv("LD_LIBRARY_PATH", withSim.c_str(), 1);

    // Held back until the child is known, so none arriving meanwhile is lost.
    sigset_t forwarded, before;
    sigemptyset(&forwarded);
    struct sigaction forward = {};
    forward.sa_handler = forwardToChild;
    sigemptyset(&forward.sa_mask);
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&forwarded, signal);
        ::sigaction(signal, &forward, nullptr);
    }
    ::sigprocmask(SIG_BLOCK, &forwarded, &before);
    const pid_t app = spawn(self, std::vector<std::string>(argv + 1, argv + argc), false, &before);
    demoChild = app;
    ::sigprocmask(SIG_SETMASK, &before, nullptr);
    int status = 1;
    if (app > 0) {
        status = waitFor(app);
    } else {
        std::fprintf(stderr, "quillex: could not start %s\n", self.c_str());
    }
    // Devices found running belong to another demo still in use.
    if (startedDevices)
        simCommand(sim, {"stop"});
    return status;
}
