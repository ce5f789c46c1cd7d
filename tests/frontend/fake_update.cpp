// Stand-in for the firmware updater: writes the bytes given (hex) in QUILLEX_STANDIN_OUTPUT in
// one write, records its arguments (one per line) in the file QUILLEX_STANDIN_ARGS, and exits
// with QUILLEX_STANDIN_EXIT.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

int main(int argc, char* argv[])
{
    if (const char* argsFile = std::getenv("QUILLEX_STANDIN_ARGS")) {
        if (FILE* f = std::fopen(argsFile, "w")) {
            for (int i = 1; i < argc; ++i)
                std::fprintf(f, "%s\n", argv[i]);
            std::fclose(f);
        }
    }
    std::string out;
    if (const char* hex = std::getenv("QUILLEX_STANDIN_OUTPUT")) {
        for (const char* p = hex; p[0] && p[1]; p += 2)
            out += char(std::stoi(std::string(p, 2), nullptr, 16));
    }
    if (!out.empty() && write(STDOUT_FILENO, out.data(), out.size()) < 0)
        return 2;
    const char* code = std::getenv("QUILLEX_STANDIN_EXIT");
    return code ? std::atoi(code) : 0;
}
