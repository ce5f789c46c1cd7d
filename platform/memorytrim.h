#pragma once

// Hands the heap's free pages back to the operating system, so a program that waits in the
// background holds only what it still uses.
void returnFreeMemoryToSystem();
