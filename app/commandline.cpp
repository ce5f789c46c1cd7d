#include "app/commandline.h"

#include <cstring>

LaunchOptions parseCommandLine(int argc, const char* const argv[])
{
    LaunchOptions options;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (!std::strcmp(arg, "--version"))
            options.version = true;
        else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h"))
            options.help = true;
        else if (!std::strcmp(arg, "--demo"))
            options.demo = true;
        else if (!std::strcmp(arg, "-s"))
            options.startHidden = true;
        else
            options.unknown.emplace_back(arg);
    }
    return options;
}

const char* commandLineHelp()
{
    return "Usage: quillex [--demo] [-s]\n"
           "Configures the NORVIK GAMING Quillex mouse and its receivers.\n"
           "\n"
           "  --demo     run against virtual devices (a mouse and an 8K receiver),\n"
           "             with settings of its own; real devices are not touched\n"
           "  -s         start in the system tray when the desktop has one\n"
           "  --version  print the version and exit\n"
           "  -h, --help print this help and exit\n";
}
