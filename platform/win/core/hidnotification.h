#pragma once

// The updater's window: notices of HID interfaces arriving and leaving, and the two messages it
// reacts to, decided without Qt.

#include <cstdint>
#include <windows.h>

namespace wincore
{

// Asks Windows to send the window WM_DEVICECHANGE for HID interfaces; null when it refused.
HDEVNOTIFY registerHidInterfaceNotification(HWND window);

enum class UpdaterWindowEvent { Other, DeviceChange, Restore };

UpdaterWindowEvent decodeUpdaterMessage(unsigned message, uintptr_t wParam);

} // namespace wincore
