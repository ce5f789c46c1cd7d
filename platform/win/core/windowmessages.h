#pragma once

// What the main window's native messages mean for the program, decided without Qt.

#include <cstdint>

namespace wincore
{

enum class WindowEvent {
    None,
    RawInput,     // WM_INPUT: lParam is the raw-input handle
    Resumed,      // WM_POWERBROADCAST with PBT_APMRESUMEAUTOMATIC: devices may have changed
    DeviceChange, // WM_DEVICECHANGE, any kind: the device check runs after its debounce
};

WindowEvent decodeWindowMessage(unsigned message, uintptr_t wParam);

} // namespace wincore
