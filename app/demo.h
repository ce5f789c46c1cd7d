#pragma once

#include <string>

// quillex --demo: the program runs on the virtual devices shipped beside it, in a daemon of its
// own, so no real device and none of the user's real settings are ever touched. The demo's
// running instance, unique as every instance is, owns the daemon: it starts it fresh and stops
// it at its end, so two demos started at once never fight over it.

// The demo daemon's socket: in the user's runtime folder, or without one in a private folder of
// the user's under /tmp.
std::string demoSocketPath();

// Whether this process runs on the demo's devices: the drop-in hidapi is loaded and points at the
// demo's socket.
bool runsOnDemoDevices();

// Starts this program again (same process, same arguments) on the demo's devices. Returns only
// when that cannot be done, with the exit status, having said why.
int execDemo(char* argv[]);

// For the demo's running instance: devices left by a demo that was killed are replaced by a
// fresh mouse and 8K receiver. False, having said why, when they could not start.
bool startDemoDevices();
void stopDemoDevices();
