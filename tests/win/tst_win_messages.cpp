// The main window's messages as Windows hands them to a window procedure: sent to a window of our
// own and decoded there.

#include "check.h"
#include "platform/win/core/windowmessages.h"
#include "testwindow.h"

#include <initializer_list>
#include <windows.h>
// after windows.h, whose types it uses
#include <dbt.h>

using wincore::decodeWindowMessage;
using wincore::WindowEvent;

static WindowEvent lastEvent = WindowEvent::None;

static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    const WindowEvent event = decodeWindowMessage(message, wParam);
    if (message == WM_DEVICECHANGE || message == WM_POWERBROADCAST || message == WM_INPUT)
        lastEvent = event;
    return DefWindowProcW(window, message, wParam, lParam);
}

static WindowEvent deliver(HWND window, UINT message, WPARAM wParam)
{
    lastEvent = WindowEvent(-1);
    SendMessageW(window, message, wParam, 0);
    return lastEvent;
}

int main()
{
    const HWND window = createTestWindow(procedure, L"quillex-test", HWND_MESSAGE);

    // Every kind of device change counts; the debounce behind it makes one check of a burst.
    for (const WPARAM kind : {WPARAM(DBT_DEVICEARRIVAL), WPARAM(DBT_DEVICEREMOVECOMPLETE),
                              WPARAM(DBT_DEVNODES_CHANGED), WPARAM(0)})
        CHECK(deliver(window, WM_DEVICECHANGE, kind) == WindowEvent::DeviceChange);

    // Only the automatic resume: it is sent on every wake-up, with or without a user.
    CHECK(deliver(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC) == WindowEvent::Resumed);
    for (const WPARAM kind : {WPARAM(PBT_APMSUSPEND), WPARAM(PBT_APMRESUMESUSPEND),
                              WPARAM(PBT_APMPOWERSTATUSCHANGE), WPARAM(PBT_POWERSETTINGCHANGE)})
        CHECK(deliver(window, WM_POWERBROADCAST, kind) == WindowEvent::None);

    CHECK(deliver(window, WM_INPUT, RIM_INPUTSINK) == WindowEvent::RawInput);
    CHECK(deliver(window, WM_INPUT, RIM_INPUT) == WindowEvent::RawInput);
    CHECK(decodeWindowMessage(WM_SYSCOMMAND, 0) == WindowEvent::None);

    DestroyWindow(window);
    return check::finish("tst_win_messages");
}
