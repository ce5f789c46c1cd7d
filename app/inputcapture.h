#pragma once

class Widget;

// Process-wide state of the desktop-wide input capture: the window whose controller receives
// keyboard events (null = translation off) and the OS hook handle (null = none installed).
extern Widget* hookOwner;
extern void* keyboardHook;

// Installs the keyboard hook and raw mouse input for `owner`; failures are debug lines only.
void installInputCapture(Widget* owner);
// Removes the keyboard hook and stops keyboard translation.
void removeInputCapture();
