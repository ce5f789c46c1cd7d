#pragma once

#include <cstdint>

// Makes a hidden top-level window start in the normal state when it is shown again. On X the
// start state is a hint the window system reads at every map; Qt writes it only when the program
// changes the window's state, so after a minimise that the window manager undid itself the hint
// still says "minimised" and the next show would map the window minimised.
void clearMinimizedStartState(std::uintptr_t nativeWindow);
