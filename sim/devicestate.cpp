#include "sim/devicestate.h"

#include <algorithm>
#include <iterator>

namespace sim
{

namespace
{

const KindInfo kKinds[] = {
    {DeviceKind::Mouse, "mouse", 0xC791, 0x0104, "Quillex Wired Mouse", 0x01},
    {DeviceKind::Receiver8K, "receiver8k", 0xC793, 0x0104, "Quillex 8K Receiver", 0x01},
    {DeviceKind::Receiver1K, "receiver1k", 0xC792, 0x0100, "Quillex 1K Receiver", 0x01},
};

// Table 1 layout the defaults are written into.
constexpr uint8_t kKeyDelay = 0;
constexpr uint8_t kSensorFlags = 2;
constexpr uint8_t kDpiCount = 3;
constexpr uint8_t kDpiBase = 9;
constexpr uint8_t kLiftOff = 25;
constexpr uint8_t kSleepTime = 26;
constexpr uint8_t kIndicatorBase = 28;
constexpr uint8_t kColourBase = 52;
constexpr uint8_t kButtonBase = 76;

constexpr uint16_t kDpiLevels[] = {400, 800, 1600, 3200, 6400};
constexpr uint8_t kIndicators[][3] = {{0xFF, 0x00, 0x00},
                                      {0x00, 0xFF, 0x00},
                                      {0x00, 0x00, 0xFF},
                                      {0xFF, 0xFF, 0x00},
                                      {0xFF, 0x00, 0xFF}};
constexpr uint8_t kColours[][3] = {{0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0x00, 0x00, 0xFF},
                                   {0xFF, 0xFF, 0x00}, {0xFF, 0x00, 0xFF}, {0x00, 0xFF, 0xFF},
                                   {0x00, 0xFF, 0xFF}};
// code, p1, p2, type: Left, Right, Middle, Forward, Back, Dpi Loop, Report Rate.
constexpr uint8_t kButtons[][4] = {{0xF0, 0, 0, 0x02},   {0xF1, 0, 0, 0x02}, {0xF2, 0, 0, 0x02},
                                   {0xF4, 0, 0, 0x02},   {0xF3, 0, 0, 0x02}, {0x03, 0, 0, 0x0B},
                                   {0x03, 0, 0x02, 0xF0}};

// A stable per-kind address the mouse offers for pairing.
constexpr uint8_t kPairingAddress[] = {0x5A, 0x3C, 0x91, 0x07, 0xE4};

} // namespace

const KindInfo& kindInfo(DeviceKind kind)
{
    for (const KindInfo& k : kKinds)
        if (k.kind == kind)
            return k;
    return kKinds[0];
}

std::optional<DeviceKind> kindFromName(const std::string& name)
{
    for (const KindInfo& k : kKinds)
        if (name == k.name)
            return k.kind;
    return std::nullopt;
}

Table0 defaultTable0(DeviceKind kind)
{
    Table0 t{};
    t[addr::ReportRate] = kindInfo(kind).reportRate;
    t[addr::DpiLevel] = 1;
    t[2] = 1;   // lighting: static
    t[3] = 255; // brightness: top step
    t[4] = 3;   // speed: third step
    t[addr::LightingColour] = 0;
    t[addr::Battery] = 85;
    t[addr::Valid] = 1;
    return t;
}

Table1 defaultTable1()
{
    Table1 t{};
    t[kKeyDelay] = 4;
    t[kSensorFlags] = 0x0A; // sensor work mode TURBO, first switch on
    t[kDpiCount] = uint8_t(std::size(kDpiLevels));
    for (size_t i = 0; i < std::size(kDpiLevels); ++i) {
        t[kDpiBase + 2 * i] = uint8_t(kDpiLevels[i] & 0xFF);
        t[kDpiBase + 2 * i + 1] = uint8_t(kDpiLevels[i] >> 8);
    }
    t[kLiftOff] = 1;
    t[kSleepTime] = 6;
    for (size_t i = 0; i < std::size(kIndicators); ++i)
        for (size_t c = 0; c < 3; ++c)
            t[kIndicatorBase + 3 * i + c] = kIndicators[i][c];
    for (size_t i = 0; i < std::size(kColours); ++i)
        for (size_t c = 0; c < 3; ++c)
            t[kColourBase + 3 * i + c] = kColours[i][c];
    for (size_t i = 0; i < std::size(kButtons); ++i)
        for (size_t c = 0; c < 4; ++c)
            t[kButtonBase + 4 * i + c] = kButtons[i][c];
    return t;
}

DeviceState defaultState(DeviceKind kind)
{
    DeviceState s;
    s.table0 = defaultTable0(kind);
    s.table1.fill(defaultTable1());
    if (kind == DeviceKind::Mouse)
        std::copy(std::begin(kPairingAddress), std::end(kPairingAddress), s.pairing.begin());
    return s;
}

} // namespace sim
