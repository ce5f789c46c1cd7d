// The user name the single-instance key is made of, the updater's window messages and the mouse
// control panel, on a Windows (Wine) session.

#include "check.h"
#include "platform/win/core/hidnotification.h"
#include "platform/win/core/mousecontrolpanel.h"
#include "platform/win/core/username.h"

#include <cstdlib>
#include <string>

using wincore::decodeUpdaterMessage;
using wincore::UpdaterWindowEvent;

int main()
{
    // The name the session reports in its environment, without the terminating zero.
    const std::wstring name = wincore::currentUserName();
    CHECK(!name.empty());
    const wchar_t* environment = _wgetenv(L"USERNAME");
    CHECK(environment != nullptr);
    if (environment)
        CHECK(_wcsicmp(name.c_str(), environment) == 0);
    CHECK(name.find(L'\0') == std::wstring::npos);

    const HWND window = CreateWindowExW(0, L"STATIC", L"quillex-test", 0, 0, 0, 10, 10,
                                        HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
    CHECK(window != nullptr);
    const HDEVNOTIFY notification = wincore::registerHidInterfaceNotification(window);
    CHECK(notification != nullptr);
    if (notification)
        CHECK(UnregisterDeviceNotification(notification));
    DestroyWindow(window);

    CHECK(decodeUpdaterMessage(WM_DEVICECHANGE, 0x8000) == UpdaterWindowEvent::DeviceChange);
    CHECK(decodeUpdaterMessage(WM_DEVICECHANGE, 0x0007) == UpdaterWindowEvent::DeviceChange);
    // A restore from the title bar's double click carries HTCAPTION in the low bits.
    CHECK(decodeUpdaterMessage(WM_SYSCOMMAND, SC_RESTORE) == UpdaterWindowEvent::Restore);
    CHECK(decodeUpdaterMessage(WM_SYSCOMMAND, SC_RESTORE | HTCAPTION) ==
          UpdaterWindowEvent::Restore);
    CHECK(decodeUpdaterMessage(WM_SYSCOMMAND, SC_MINIMIZE) == UpdaterWindowEvent::Other);
    CHECK(decodeUpdaterMessage(WM_SYSCOMMAND, SC_MAXIMIZE) == UpdaterWindowEvent::Other);
    CHECK(decodeUpdaterMessage(WM_SIZE, SC_RESTORE) == UpdaterWindowEvent::Other);
    // The mouse control panel comes from the system folder wherever Windows is installed.
    CHECK(wincore::mouseControlPanelCommand(L"D:\\WINNT\\system32") ==
          L"\"D:\\WINNT\\system32\\control.exe\" main.cpl");
    const HANDLE panel = wincore::openMouseControlPanel();
    CHECK(panel != nullptr);
    if (panel) {
        TerminateProcess(panel, 0);
        CloseHandle(panel);
    }
    return check::finish("tst_win_session");
}
