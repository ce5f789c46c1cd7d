#include "platform/win/core/hidnotification.h"

// after windows.h, whose types it uses
#include <dbt.h>

namespace wincore
{

// GUID_DEVINTERFACE_HID
static const GUID hidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

HDEVNOTIFY registerHidInterfaceNotification(HWND window)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = hidInterfaceClass;
    return RegisterDeviceNotificationW(window, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

UpdaterWindowEvent decodeUpdaterMessage(unsigned message, uintptr_t wParam)
{
    if (message == WM_DEVICECHANGE)
        return UpdaterWindowEvent::DeviceChange;
    // Windows keeps the low four bits of a system command for itself.
    if (message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_RESTORE)
        return UpdaterWindowEvent::Restore;
    return UpdaterWindowEvent::Other;
}

} // namespace wincore
