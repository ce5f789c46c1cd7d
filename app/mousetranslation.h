#pragma once

// Mouse translation shared by every input source: button ids (1 left, 2 right, 3 middle,
// 4 back, 5 forward), wheel notches and the motion summed between button reports. No Qt here.

#include <cstdint>

namespace mousetranslation
{

// What one OS mouse report means for the signals.
struct MouseAction {
    enum Kind { None, Button, Wheel };
    Kind kind = None;
    int buttonId = 0;   // Button: 1 to 5
    bool down = false;  // Button
    int wheelDelta = 0; // Wheel: signed, 120 per notch
};

// Windows raw input: the button flags taken as one value; combinations and the horizontal
// wheel mean nothing. `wheelData` is the record's wheel field.
MouseAction rawInputAction(uint16_t buttonFlags, uint16_t wheelData);

// X core button numbers: 1 left, 2 middle, 3 right, 8 back, 9 forward; 4/5 are a vertical
// wheel notch away from / towards the user (on press only), 6/7 the horizontal wheel.
MouseAction xButtonAction(int xButton, bool down);

// Relative motion since the last button report. A report carries each sum as a signed 16-bit
// number, held at its limit when the sum goes beyond it.
class MotionSum
{
public:
    void add(int32_t dx, int32_t dy);
    struct Delta {
        int x;
        int y;
    };
    // The motion for a button report; the sums start again at 0.
    Delta takeForButton();

private:
    int64_t x = 0;
    int64_t y = 0;
};

} // namespace mousetranslation
