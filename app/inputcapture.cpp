#include "app/inputcapture.h"

Widget* hookOwner = nullptr;
void* keyboardHook = nullptr;

// Desktop-wide capture exists only on Windows (low-level keyboard hook and raw input); elsewhere
// the scene still gets keys through its own window.
void installInputCapture(Widget* owner)
{
    hookOwner = owner;
}

void removeInputCapture()
{
    keyboardHook = nullptr;
    hookOwner = nullptr;
}
