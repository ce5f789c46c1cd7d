#pragma once

// A window of the test's own and a message pump with a deadline, for the tests that need real
// window messages.

#include "check.h"

#include <windows.h>

// A window of class `name` whose messages go to `procedure`; `parent` HWND_MESSAGE makes it a
// message-only window.
inline HWND createTestWindow(WNDPROC procedure, const wchar_t* name, HWND parent = nullptr)
{
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = name;
    CHECK(RegisterClassW(&windowClass) != 0);
    const HWND window = CreateWindowExW(0, name, name, parent ? 0 : WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                        100, parent, nullptr, windowClass.hInstance, nullptr);
    CHECK(window != nullptr);
    return window;
}

// Pumps messages until `done` holds; false when it still does not after five seconds.
template <typename Condition> bool pumpUntil(Condition done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= 5000)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5000 - waited, QS_ALLINPUT);
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return true;
}
