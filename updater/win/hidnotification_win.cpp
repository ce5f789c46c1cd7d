#include "updater/win/hidnotification.h"

#include <windows.h>

#include <dbt.h>

namespace
{

// GUID_DEVINTERFACE_HID
constexpr GUID kHidInterfaceClass = {
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};

} // namespace

void registerHidNotification(WId window)
{
    DEV_BROADCAST_DEVICEINTERFACE_W filter = {};
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kHidInterfaceClass;
    RegisterDeviceNotificationW(reinterpret_cast<HWND>(window), &filter,
                                DEVICE_NOTIFY_WINDOW_HANDLE);
}

HidWindowMessage hidWindowMessage(void* message)
{
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_DEVICECHANGE)
        return HidWindowMessage::DeviceChange;
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_RESTORE)
        return HidWindowMessage::Restore;
    return HidWindowMessage::Other;
}
