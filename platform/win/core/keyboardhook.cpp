#include "platform/win/core/keyboardhook.h"

#include <windows.h>

namespace wincore
{

namespace
{

// What the hook procedure works with while a hook is installed.
KeyChangeFilter* activeFilter = nullptr;
const KeyChangeFilter::Report* activeReport = nullptr;

// Alt with Print Screen arrives as SysRq. Only a press needs Alt: its release may come after
// Alt's, and must still end Print Screen.
constexpr uint32_t sysRqScanCode = 0x54;

// Windows holds every key event of the desktop until this returns: decide and pass it on.
LRESULT CALLBACK procedure(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HC_ACTION && activeFilter) {
        const auto* key = reinterpret_cast<const KBDLLHOOKSTRUCT*>(lParam);
        activeFilter->take({unsigned(wParam), key->vkCode, key->scanCode, key->flags},
                           *activeReport);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

} // namespace

void KeyChangeFilter::take(const HookedKey& key, const Report& report)
{
    // Characters typed by software (on-screen keyboards, IMEs) carry the character in place of
    // a scan code: no key of the table, whatever its value.
    if (key.scanCode > 255 || key.virtualKey == VK_PACKET)
        return;
    KeyEvent event;
    event.scanCode = uint16_t(key.scanCode);
    event.extended = (key.flags & LLKHF_EXTENDED) != 0;
    event.altDown = (key.flags & LLKHF_ALTDOWN) != 0 || key.scanCode == sysRqScanCode;
    event.down = keytranslation::isKeyDownMessage(key.message);
    event.usage = keytranslation::hidUsage({event.scanCode, event.extended}, event.altDown);
    if (event.usage == 0)
        return;
    if (!event.down) {
        if (states.change(event.usage, false))
            report(event);
        return;
    }
    if (states.change(event.usage, true)) {
        report(event);
    } else if (repeating != event.usage) {
        // Not a repeat: its release went by unseen (the secure desktop of Ctrl+Alt+Del or of
        // the lock screen takes the keys). Reporting the release and the press keeps the key
        // usable instead of silent until released again.
        KeyEvent release = event;
        release.down = false;
        report(release);
        report(event);
    }
    repeating = event.usage;
}

KeyboardHook::~KeyboardHook()
{
    remove();
}

bool KeyboardHook::install(KeyChangeFilter::Report keyReport)
{
    if (activeFilter)
        return false;
    report = std::move(keyReport);
    handle = SetWindowsHookExW(WH_KEYBOARD_LL, procedure, GetModuleHandleW(nullptr), 0);
    if (!handle)
        return false;
    activeFilter = &filter;
    activeReport = &report;
    return true;
}

void KeyboardHook::remove()
{
    if (!handle)
        return;
    UnhookWindowsHookEx(static_cast<HHOOK>(handle));
    handle = nullptr;
    activeFilter = nullptr;
    activeReport = nullptr;
}

} // namespace wincore
