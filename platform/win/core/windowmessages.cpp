#include "platform/win/core/windowmessages.h"

#include <windows.h>

namespace wincore
{

WindowEvent decodeWindowMessage(unsigned message, uintptr_t wParam)
{
    switch (message) {
    case WM_INPUT:
        return WindowEvent::RawInput;
    case WM_POWERBROADCAST:
        // Other power events (suspend, battery, the user's resume) change no device.
        return wParam == PBT_APMRESUMEAUTOMATIC ? WindowEvent::Resumed : WindowEvent::None;
    case WM_DEVICECHANGE:
        return WindowEvent::DeviceChange;
    default:
        return WindowEvent::None;
    }
}

} // namespace wincore
