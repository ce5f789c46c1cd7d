#pragma once

class InputSource;
class Widget;

// Process-wide state of the input capture: the window whose controller receives the input
// signals (null = capture off) and what watches the input (null = nothing).
extern Widget* hookOwner;
extern InputSource* captureSource;

// Whether capture sees the whole desktop (true) or only the program's own windows, where
// desktop-wide observation is unavailable (Wayland, the offscreen platform). Fixed for the run.
bool inputCaptureEverywhere();

// Starts capture for `owner`'s controller, once per process; failures are debug lines only.
void installInputCapture(Widget* owner);
// Stops capture: no input signal is emitted any more.
void removeInputCapture();
// Windows: a WM_INPUT message's raw-input handle, from the main window's native event filter.
void forwardRawInput(void* rawInputHandle);
