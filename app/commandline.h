#pragma once

#include <string>
#include <vector>

// What quillex was asked to do on its command line. Read before Qt starts, so plain C++.
struct LaunchOptions {
    bool version = false;     // --version: print it and leave
    bool help = false;        // --help, -h: print the options and leave
    bool demo = false;        // --demo: run against the virtual devices
    bool startHidden = false; // -s: the start-with-the-OS entry's start, into the tray
    // Options this program does not know; a start from an old shortcut still shows the window.
    std::vector<std::string> unknown;
};

LaunchOptions parseCommandLine(int argc, const char* const argv[]);

// The text --help prints.
const char* commandLineHelp();
