#include "app/mousetranslation.h"

#include <algorithm>

namespace mousetranslation
{

MouseAction rawInputAction(uint16_t buttonFlags, uint16_t wheelData)
{
    MouseAction action;
    if (buttonFlags == 0x0400) {
        action.kind = MouseAction::Wheel;
        action.wheelDelta = int16_t(wheelData);
        return action;
    }
    // Down and up flags alternate per button: 0x0001 left down, 0x0002 left up, 0x0004 right
    // down, … 0x0200 fifth up.
    for (int bit = 0; bit < 10; ++bit) {
        if (buttonFlags == (1u << bit)) {
            action.kind = MouseAction::Button;
            action.buttonId = bit / 2 + 1;
            action.down = bit % 2 == 0;
            return action;
        }
    }
    return action;
}

MouseAction xButtonAction(int xButton, bool down)
{
    MouseAction action;
    switch (xButton) {
    case 1:
    case 3:
    case 2:
    case 8:
    case 9:
        action.kind = MouseAction::Button;
        action.buttonId = xButton == 1 ? 1 : xButton == 3 ? 2 : xButton == 2 ? 3 : xButton - 4;
        action.down = down;
        break;
    case 4:
    case 5:
        // A notch is a press and a release of the same button: the press is the notch.
        if (down) {
            action.kind = MouseAction::Wheel;
            action.wheelDelta = xButton == 4 ? 120 : -120;
        }
        break;
    default:
        break;
    }
    return action;
}

void MotionSum::add(int32_t dx, int32_t dy)
{
    // 64 bits: no run of motion between two clicks comes near overflowing them.
    x += dx;
    y += dy;
}

// A report has 16 bits per axis: a longer way is reported as far as it reaches, never wrapped
// round into the opposite direction.
static int clampedTo16Bits(int64_t sum)
{
    return int(std::clamp<int64_t>(sum, INT16_MIN, INT16_MAX));
}

MotionSum::Delta MotionSum::takeForButton()
{
    const Delta delta{clampedTo16Bits(x), clampedTo16Bits(y)};
    x = 0;
    y = 0;
    return delta;
}

} // namespace mousetranslation
