// Stand-in for the firmware updater, driven by the environment:
//   QUILLEX_STANDIN_ARGS    file that gets its arguments, one per line
//   QUILLEX_STANDIN_PID     file that gets its process id
//   QUILLEX_STANDIN_OUTPUT  bytes (hex) written to stdout in one write
//   QUILLEX_STANDIN_HOLD    a FIFO opened for reading afterwards: the stand-in stays until the
//                           test opens it for writing
//   QUILLEX_STANDIN_LOG     file to which the first argument is appended once it ends by itself
//   QUILLEX_STANDIN_EXIT    its exit code
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace
{
void writeFile(const char* variable, const char* mode, const std::string& text)
{
    if (const char* path = std::getenv(variable)) {
        if (FILE* f = std::fopen(path, mode)) {
            std::fputs(text.c_str(), f);
            std::fclose(f);
        }
    }
}
} // namespace

int main(int argc, char* argv[])
{
    std::string args;
    for (int i = 1; i < argc; ++i)
        args += std::string(argv[i]) + "\n";
    writeFile("QUILLEX_STANDIN_ARGS", "w", args);
    writeFile("QUILLEX_STANDIN_PID", "w", std::to_string(getpid()));

    std::string out;
    if (const char* hex = std::getenv("QUILLEX_STANDIN_OUTPUT")) {
        for (const char* p = hex; p[0] && p[1]; p += 2)
            out += char(std::stoi(std::string(p, 2), nullptr, 16));
    }
    if (!out.empty() && write(STDOUT_FILENO, out.data(), out.size()) < 0)
        return 2;
    if (const char* hold = std::getenv("QUILLEX_STANDIN_HOLD")) {
        const int fd = open(hold, O_RDONLY);
        if (fd >= 0)
            close(fd);
    }
    writeFile("QUILLEX_STANDIN_LOG", "a", std::string(argc > 1 ? argv[1] : "") + "\n");
    const char* code = std::getenv("QUILLEX_STANDIN_EXIT");
    return code ? std::atoi(code) : 0;
}
