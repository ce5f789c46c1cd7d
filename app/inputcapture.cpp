#include "app/inputcapture.h"

Widget* hookOwner = nullptr;
void* keyboardHook = nullptr;

// No OS hook is installed yet: only the owner is tracked, so that shutdown already releases
// capture in the order it will need once keys are captured desktop-wide.
void installInputCapture(Widget* owner)
{
    hookOwner = owner;
}

void removeInputCapture()
{
    keyboardHook = nullptr;
    hookOwner = nullptr;
}
