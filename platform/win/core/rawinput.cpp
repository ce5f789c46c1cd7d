#include "platform/win/core/rawinput.h"

#include <cstring>
#include <windows.h>

namespace wincore
{

std::optional<RawMouseReport> decodeRawMouse(const void* record, std::size_t size)
{
    // The layout is the one of this build's pointer size: the header holds a handle and a
    // WPARAM, so a 64-bit record is larger than a 32-bit one.
    constexpr std::size_t mouseRecordSize = sizeof(RAWINPUTHEADER) + sizeof(RAWMOUSE);
    if (!record || size < mouseRecordSize)
        return std::nullopt;
    RAWINPUTHEADER header;
    std::memcpy(&header, record, sizeof header);
    if (header.dwType != RIM_TYPEMOUSE || header.dwSize < mouseRecordSize || header.dwSize > size)
        return std::nullopt;
    RAWMOUSE mouse;
    std::memcpy(&mouse, static_cast<const char*>(record) + sizeof header, sizeof mouse);

    RawMouseReport report;
    if (!(mouse.usFlags & MOUSE_MOVE_ABSOLUTE)) {
        report.dx = mouse.lLastX;
        report.dy = mouse.lLastY;
    }
    // One record carries every change since the previous one: two buttons, or a button and the
    // wheel, may change together and each counts, lest a release be lost and a recorded button
    // stay held.
    for (unsigned bit = 0; bit < 16; ++bit) {
        const uint16_t flag = uint16_t(1u << bit);
        if (!(mouse.usButtonFlags & flag))
            continue;
        const mousetranslation::MouseAction action =
            mousetranslation::rawInputAction(flag, mouse.usButtonData);
        if (action.kind != mousetranslation::MouseAction::None)
            report.actions.push_back(action);
    }
    return report;
}

std::optional<RawMouseReport> readRawMouse(void* rawInputHandle)
{
    RAWINPUT record;
    UINT size = sizeof record;
    const UINT read = GetRawInputData(static_cast<HRAWINPUT>(rawInputHandle), RID_INPUT, &record,
                                      &size, sizeof(RAWINPUTHEADER));
    if (read == UINT(-1))
        return std::nullopt;
    return decodeRawMouse(&record, read);
}

bool registerRawMouse(void* window)
{
    RAWINPUTDEVICE mouse = {};
    mouse.usUsagePage = 0x01; // generic desktop
    mouse.usUsage = 0x02;     // mouse
    mouse.dwFlags = RIDEV_INPUTSINK;
    mouse.hwndTarget = static_cast<HWND>(window);
    return RegisterRawInputDevices(&mouse, 1, sizeof mouse) != FALSE;
}

} // namespace wincore
