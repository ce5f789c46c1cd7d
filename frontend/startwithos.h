#pragma once

// Start with the OS for this program: the entry is named after the executable and starts it
// with its full path and " -s".

// Writes (on) or removes (off) the start-up entry; returns whether it now exists.
bool switchStartWithOs(bool on);
// Whether the start-up entry currently exists.
bool isStartWithOsOn();
