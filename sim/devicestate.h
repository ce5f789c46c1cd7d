#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What a normal-mode mouse or receiver remembers, and its factory defaults.
namespace sim
{

enum class DeviceKind { Mouse, Receiver8K, Receiver1K };

struct KindInfo {
    DeviceKind kind;
    const char* name; // "mouse", "receiver8k", "receiver1k"
    uint16_t pid;
    uint16_t release; // shipped firmware version
    const char* product;
    uint8_t reportRate; // default report-rate code
};

constexpr uint16_t kVendorId = 0x093A;
constexpr uint16_t kUsagePageCommand = 0xFF10;
constexpr uint16_t kUsagePageEvent = 0xFF11;

const KindInfo& kindInfo(DeviceKind kind);
std::optional<DeviceKind> kindFromName(const std::string& name);

constexpr size_t kTable0Size = 64;
constexpr size_t kTable1Size = 126;
constexpr size_t kProfiles = 3;
constexpr size_t kMacros = 10;
constexpr size_t kMacroMax = 256;
constexpr size_t kPairingSize = 64;

// Table addresses the model itself interprets.
namespace addr
{
constexpr uint8_t ReportRate = 0;
constexpr uint8_t DpiLevel = 1;
constexpr uint8_t LightingColour = 5;
constexpr uint8_t Battery = 7;
constexpr uint8_t Valid = 8;
} // namespace addr

using Table0 = std::array<uint8_t, kTable0Size>;
using Table1 = std::array<uint8_t, kTable1Size>;

enum class PairingPhase { Idle, Searching, Finished };

struct DeviceState {
    Table0 table0{};
    std::array<Table1, kProfiles> table1{};
    uint8_t profile = 0;
    std::array<std::array<std::vector<uint8_t>, kMacros>, kProfiles> macros;
    std::array<uint8_t, kPairingSize> pairing{};
    PairingPhase pairingPhase = PairingPhase::Idle;
    int pairingPollsLeft = 0;
};

// Status queries a receiver answers "searching" before it reports the pairing finished.
constexpr int kPairingPolls = 2;

Table0 defaultTable0(DeviceKind kind);
Table1 defaultTable1();
DeviceState defaultState(DeviceKind kind);

} // namespace sim
