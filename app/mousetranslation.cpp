#include "app/mousetranslation.h"

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
    // Unsigned arithmetic: the sums wrap instead of overflowing.
    x = int32_t(uint32_t(x) + uint32_t(dx));
    y = int32_t(uint32_t(y) + uint32_t(dy));
}

MotionSum::Delta MotionSum::takeForButton()
{
    const Delta delta{int16_t(uint16_t(x)), int16_t(uint16_t(y))};
    x = 0;
    y = 0;
    return delta;
}

} // namespace mousetranslation
