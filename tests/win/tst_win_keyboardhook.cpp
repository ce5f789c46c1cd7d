// The low-level keyboard hook on a real message loop: keys injected with SendInput while a
// window of our own has the focus. The hook must report the table's usages once per press and
// release, and the window must still receive every key.

#include "check.h"
#include "platform/win/core/keyboardhook.h"
#include "testwindow.h"

#include <initializer_list>
#include <vector>
#include <windows.h>

using wincore::HookedKey;
using wincore::KeyChangeFilter;
using wincore::KeyEvent;

namespace
{

struct Usage {
    uint8_t usage;
    bool down;
    bool operator==(const Usage& other) const { return usage == other.usage && down == other.down; }
};

struct WindowKey {
    unsigned scanCode;
    bool extended;
    bool down;
};

std::vector<Usage> reported;
std::vector<WindowKey> received;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Handled here: Alt released alone would otherwise enter the window's menu mode.
        received.push_back({unsigned(lParam >> 16) & 0xFF, (lParam & (1 << 24)) != 0,
                            message == WM_KEYDOWN || message == WM_SYSKEYDOWN});
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

INPUT scanInput(WORD scanCode, bool extended, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = scanCode;
    input.ki.dwFlags =
        KEYEVENTF_SCANCODE | (extended ? KEYEVENTF_EXTENDEDKEY : 0) | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

INPUT characterInput(WORD character, bool down)
{
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = character;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (down ? 0 : KEYEVENTF_KEYUP);
    return input;
}

// Injects `inputs`, then Escape as a marker: once the window has the marker's release, the hook
// has seen every key before it. Returns what the hook reported for `inputs` alone.
std::vector<Usage> inject(std::vector<INPUT> inputs)
{
    reported.clear();
    received.clear();
    inputs.push_back(scanInput(0x01, false, true));
    inputs.push_back(scanInput(0x01, false, false));
    CHECK_EQ(SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT)), UINT(inputs.size()));
    const bool markerArrived = pumpUntil([] {
        return !received.empty() && received.back().scanCode == 0x01 && !received.back().down;
    });
    CHECK(markerArrived);
    std::vector<Usage> keys = reported;
    const std::vector<Usage> marker = {{0x29, true}, {0x29, false}};
    if (keys.size() >= 2 && std::vector<Usage>(keys.end() - 2, keys.end()) == marker)
        keys.resize(keys.size() - 2);
    else
        CHECK(!"the marker was reported last");
    return keys;
}

std::vector<INPUT> tap(WORD scanCode, bool extended = false)
{
    return {scanInput(scanCode, extended, true), scanInput(scanCode, extended, false)};
}

std::vector<INPUT> operator+(std::vector<INPUT> first, const std::vector<INPUT>& second)
{
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

HWND createFocusedWindow()
{
    const HWND window = createTestWindow(procedure, L"quillex-keys");
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(window);
    CHECK(pumpUntil([window] { return GetForegroundWindow() == window; }));
    return window;
}

void checkHookedKeys()
{
    wincore::KeyboardHook hook;
    CHECK(hook.install([](const KeyEvent& key) { reported.push_back({key.usage, key.down}); }));
    wincore::KeyboardHook second;
    CHECK(!second.install([](const KeyEvent&) {})); // one hook per process

    // Auto-repeat: one press and one release reported, every repeat still reaches the window.
    const std::vector<Usage> repeated =
        inject({scanInput(0x1E, false, true), scanInput(0x1E, false, true),
                scanInput(0x1E, false, true), scanInput(0x1E, false, false)});
    CHECK((repeated == std::vector<Usage>{{0x04, true}, {0x04, false}}));
    CHECK_EQ(received.size(), size_t(6)); // three downs, one up, the marker's two
    CHECK(received.size() >= 4 && received[0].scanCode == 0x1E && received[0].down &&
          received[2].down && received[3].scanCode == 0x1E && !received[3].down);

    // The extended flag tells the keys of a pair apart.
    CHECK((inject(tap(0x1D) + tap(0x1D, true) + tap(0x1C) + tap(0x1C, true)) ==
           std::vector<Usage>{{0xE0, true},
                              {0xE0, false},
                              {0xE4, true},
                              {0xE4, false},
                              {0x28, true},
                              {0x28, false},
                              {0x58, true},
                              {0x58, false}}));
    CHECK(received.size() >= 4 && received[2].scanCode == 0x1D && received[2].extended &&
          !received[0].extended);

    // Pause and Ctrl+Break (which arrives as extended Scroll Lock) are both Pause.
    CHECK((inject(tap(0x45) + std::vector<INPUT>{scanInput(0x1D, false, true)} + tap(0x46, true) +
                  std::vector<INPUT>{scanInput(0x1D, false, false)}) ==
           std::vector<Usage>{{0x48, true},
                              {0x48, false},
                              {0xE0, true},
                              {0x48, true},
                              {0x48, false},
                              {0xE0, false}}));

    // Left GUI is in the table, Right GUI and F13 are not.
    CHECK((inject(tap(0x5B, true) + tap(0x5C, true) + tap(0x64)) ==
           std::vector<Usage>{{0xE3, true}, {0xE3, false}}));

    // Characters typed by software carry the character where the scan code goes: 'A' (0x41)
    // must not pass for F7, nor a character above 255 for anything.
    CHECK(inject({characterInput('A', true), characterInput('A', false),
                  characterInput(0x263A, true), characterInput(0x263A, false)})
              .empty());
    CHECK_EQ(received.size(), size_t(6)); // the characters still reach the window

    // Print Screen, and Alt with Print Screen (SysRq) released after Alt: Print Screen ends
    // either way, so that the next press is reported.
    const std::vector<Usage> printScreen =
        inject(tap(0x37, true) +
               std::vector<INPUT>{scanInput(0x38, false, true), scanInput(0x54, false, true),
                                  scanInput(0x38, false, false), scanInput(0x54, false, false)} +
               tap(0x37, true));
    CHECK((printScreen == std::vector<Usage>{{0x46, true},
                                             {0x46, false},
                                             {0xE2, true},
                                             {0x46, true},
                                             {0xE2, false},
                                             {0x46, false},
                                             {0x46, true},
                                             {0x46, false}}));

    // A press of a key recorded as down that is no repeat (another key went down since): its
    // release went by unseen, as when the secure desktop took it. Both are reported.
    CHECK((inject({scanInput(0x1D, false, true), scanInput(0x1E, false, true),
                   scanInput(0x1E, false, false), scanInput(0x1D, false, true),
                   scanInput(0x1D, false, false)}) == std::vector<Usage>{{0xE0, true},
                                                                         {0x04, true},
                                                                         {0x04, false},
                                                                         {0xE0, false},
                                                                         {0xE0, true},
                                                                         {0xE0, false}}));

    // Removed, the hook reports nothing; keys go on reaching the window.
    hook.remove();
    reported.clear();
    received.clear();
    const std::vector<INPUT> keys = tap(0x1E) + tap(0x01);
    CHECK_EQ(SendInput(UINT(keys.size()), const_cast<INPUT*>(keys.data()), sizeof(INPUT)),
             UINT(keys.size()));
    CHECK(pumpUntil([] { return received.size() == 4; }));
    CHECK(reported.empty());
    CHECK(second.install([](const KeyEvent&) {})); // the process may hook again
}

} // namespace

// Hook events Windows makes up itself, which SendInput cannot produce, given to the filter as the
// hook procedure would.
static void checkSynthesizedEvents()
{
    std::vector<wincore::KeyEvent> seen;
    const KeyChangeFilter::Report record = [&](const wincore::KeyEvent& e) { seen.push_back(e); };
    KeyChangeFilter filter;
    // AltGr: Windows sends a Left Control with scan code 0x21D ahead of the Right Alt. It is no
    // key of the table; only Right Alt counts.
    filter.take({WM_KEYDOWN, VK_LCONTROL, 0x21D, 0}, record);
    filter.take({WM_SYSKEYDOWN, VK_RMENU, 0x38, LLKHF_EXTENDED | LLKHF_ALTDOWN}, record);
    CHECK_EQ(seen.size(), size_t(1));
    CHECK(!seen.empty() && seen.front().usage == 0xE6); // Right Alt
    seen.clear();

    // A held modifier repeats like any key: one press only.
    for (int i = 0; i < 3; ++i)
        filter.take({WM_KEYDOWN, VK_LCONTROL, 0x1D, 0}, record);
    CHECK_EQ(seen.size(), size_t(1));
    seen.clear();

    // After a release went by unseen, the key's own repeats are repeats again.
    filter.take({WM_KEYDOWN, 'A', 0x1E, 0}, record);
    filter.take({WM_KEYDOWN, VK_LCONTROL, 0x1D, 0}, record); // Control's release was missed
    CHECK_EQ(seen.size(), size_t(3));                        // A down, Control up and down
    filter.take({WM_KEYDOWN, VK_LCONTROL, 0x1D, 0}, record);
    filter.take({WM_KEYDOWN, VK_LCONTROL, 0x1D, 0}, record);
    CHECK_EQ(seen.size(), size_t(3));
}

int main()
{
    checkSynthesizedEvents();
    const HWND window = createFocusedWindow();
    checkHookedKeys();
    DestroyWindow(window);
    return check::finish("tst_win_keyboardhook");
}
