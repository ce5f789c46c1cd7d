#pragma once

// Keyboard translation shared by every input source: scan codes (set 1, as the Windows
// low-level hook reports them) to USB HID keyboard usages. No Qt here, so the Windows hook can
// use it as it is.

#include <cstdint>
#include <map>
#include <optional>

namespace keytranslation
{

// A key as the table knows it: scan code and the extended flag.
struct ScanKey {
    uint16_t scanCode = 0;
    bool extended = false;
};

// (scan code << 8) | extended flag → usage on the keyboard page; the 105 keys the mouse can be
// told about.
const std::map<uint16_t, uint8_t>& hidKeyMap();

// The usage for a key as the OS reports it, 0 for a key outside the table. `altDown` is the
// hook's Alt flag: Alt with Print Screen arrives under the SysRq scan code.
uint8_t hidUsage(ScanKey key, bool altDown = false);

// The table key for a Linux evdev key code (an X key code less 8); none for keys the table
// lacks a scan code for.
std::optional<ScanKey> scanKeyForEvdev(int evdevCode);

// Windows low-level hook: WM_KEYDOWN and WM_SYSKEYDOWN are a key going down, every other
// message a key going up.
bool isKeyDownMessage(unsigned message);

// Last reported state per usage: a usage is reported only when its state changes, so
// auto-repeat gives one down and one up.
class KeyStates
{
public:
    // True when `down` is a change for `usage` (and records it); false for usage 0.
    bool change(uint8_t usage, bool down);

private:
    bool state[256] = {};
};

} // namespace keytranslation
