#include "platform/windowstartstate.h"

// A hidden window shown again on Windows starts in the state the program shows it in: nothing to
// reset.
void clearMinimizedStartState(std::uintptr_t) {}
