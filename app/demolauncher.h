#pragma once

#include <string>

// quillex --demo: the program runs on the virtual devices shipped beside it, in a daemon of its
// own, so no real device and none of the user's real settings are ever touched.

// The demo daemon's socket: in the user's runtime folder, apart from any other daemon's.
std::string demoSocketPath();

// Whether this process already runs on the demo's devices (it is the launcher's child).
bool runsOnDemoDevices();

// Starts the demo devices (a mouse and an 8K receiver) unless they run, starts this program
// again on them with the same arguments, waits for it and stops the devices it started. Returns
// the program's exit status, or 1 with a message when the demo cannot start.
int runDemoLauncher(int argc, char* argv[]);
