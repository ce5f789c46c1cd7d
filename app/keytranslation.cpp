#include "app/keytranslation.h"

#include <initializer_list>

namespace keytranslation
{

namespace
{

struct Row {
    bool extended;
    std::initializer_list<uint8_t> scanCodes;
    std::initializer_list<uint8_t> usages;
};

// The key table, row by row as it is published; within a row the scan codes map in order.
const Row keyRows[] = {
    {false, {0x01}, {0x29}},
    {false,
     {0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B},
     {0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27}},
    {false, {0x0C, 0x0D, 0x0E, 0x0F}, {0x2D, 0x2E, 0x2A, 0x2B}},
    {false,
     {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19},
     {0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18, 0x0C, 0x12, 0x13}},
    {false, {0x1A, 0x1B, 0x1C, 0x1D}, {0x2F, 0x30, 0x28, 0xE0}},
    {false,
     {0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26},
     {0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B, 0x0D, 0x0E, 0x0F}},
    {false, {0x27, 0x28, 0x29, 0x2A, 0x2B}, {0x33, 0x34, 0x35, 0xE1, 0x31}},
    {false, {0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32}, {0x1D, 0x1B, 0x06, 0x19, 0x05, 0x11, 0x10}},
    {false, {0x33, 0x34, 0x35}, {0x36, 0x37, 0x38}},
    {false, {0x37, 0x38, 0x39, 0x3A}, {0x55, 0xE2, 0x2C, 0x39}},
    {false,
     {0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44},
     {0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43}},
    {false, {0x45, 0x46}, {0x48, 0x47}},
    {false, {0x47, 0x48, 0x49, 0x4A}, {0x5F, 0x60, 0x61, 0x56}},
    {false, {0x4B, 0x4C, 0x4D, 0x4E}, {0x5C, 0x5D, 0x5E, 0x57}},
    {false, {0x4F, 0x50, 0x51, 0x52, 0x53}, {0x59, 0x5A, 0x5B, 0x62, 0x63}},
    {false, {0x56, 0x57, 0x58, 0x6E}, {0x64, 0x44, 0x45, 0x72}},
    {true, {0x1C, 0x1D}, {0x58, 0xE4}},
    {true, {0x35, 0x36, 0x37, 0x38}, {0x54, 0xE5, 0x46, 0xE6}},
    {true, {0x45}, {0x53}},
    {true, {0x47, 0x48, 0x49}, {0x4A, 0x52, 0x4B}},
    {true, {0x4B, 0x4D}, {0x50, 0x4F}},
    {true, {0x4F, 0x50, 0x51}, {0x4D, 0x51, 0x4E}},
    {true, {0x52, 0x53}, {0x49, 0x4C}},
    {true, {0x5B, 0x5D}, {0xE3, 0x65}},
};

uint16_t tableKey(uint16_t scanCode, bool extended)
{
    return uint16_t(scanCode << 8 | (extended ? 1 : 0));
}

std::map<uint16_t, uint8_t> buildHidKeyMap()
{
    std::map<uint16_t, uint8_t> map;
    for (const Row& row : keyRows) {
        auto usage = row.usages.begin();
        for (uint8_t scanCode : row.scanCodes)
            map.emplace(tableKey(scanCode, row.extended), *usage++);
    }
    return map;
}

} // namespace

const std::map<uint16_t, uint8_t>& hidKeyMap()
{
    static const std::map<uint16_t, uint8_t> map = buildHidKeyMap();
    return map;
}

uint8_t hidUsage(ScanKey key, bool altDown)
{
    // Ctrl with Pause arrives as Break (0x46 extended); Alt with Print Screen as SysRq (0x54).
    if (key.scanCode == 0x46 && key.extended)
        return 0x48;
    if (key.scanCode == 0x54 && altDown)
        return 0x46;
    const auto found = hidKeyMap().find(tableKey(key.scanCode, key.extended));
    return found == hidKeyMap().end() ? 0 : found->second;
}

std::optional<ScanKey> scanKeyForEvdev(int evdevCode)
{
    // Below 89 the evdev codes are the scan codes themselves, except Num Lock (extended, as the
    // hook reports it, unlike Pause which shares its code) and Right Shift, which the hook
    // reports with the extended flag and the table holds only that way.
    if (evdevCode == 69 || evdevCode == 54)
        return ScanKey{uint16_t(evdevCode), true};
    if (evdevCode >= 1 && evdevCode <= 88)
        return ScanKey{uint16_t(evdevCode), false};
    switch (evdevCode) {
    case 96: // keypad Enter
        return ScanKey{0x1C, true};
    case 97: // right Control
        return ScanKey{0x1D, true};
    case 98: // keypad Slash
        return ScanKey{0x35, true};
    case 99: // Print Screen (SysRq)
        return ScanKey{0x37, true};
    case 100: // right Alt
        return ScanKey{0x38, true};
    case 119: // Pause
        return ScanKey{0x45, false};
    case 125: // left GUI
        return ScanKey{0x5B, true};
    case 126: // right GUI
        return ScanKey{0x5C, true};
    case 127: // Application (Compose)
        return ScanKey{0x5D, true};
    case 193: // F23
        return ScanKey{0x6E, false};
    default:
        break;
    }
    // Home, Up, Page Up, Left, Right, End, Down, Page Down, Insert, Delete.
    static const uint8_t navigation[] = {0x47, 0x48, 0x49, 0x4B, 0x4D,
                                         0x4F, 0x50, 0x51, 0x52, 0x53};
    if (evdevCode >= 102 && evdevCode <= 111)
        return ScanKey{navigation[evdevCode - 102], true};
    return std::nullopt;
}

bool isKeyDownMessage(unsigned message)
{
    return message == 0x0100 || message == 0x0104;
}

bool KeyStates::change(uint8_t usage, bool down)
{
    if (usage == 0 || state[usage] == down)
        return false;
    state[usage] = down;
    return true;
}

} // namespace keytranslation
