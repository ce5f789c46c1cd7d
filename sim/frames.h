#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

// Wire layouts of the normal-mode command protocol, as the device sees them.
namespace sim
{

constexpr size_t kBlockSize = 64; // input/output report payload

namespace cmd
{
constexpr uint8_t SelectProfile = 0x01;
constexpr uint8_t WriteTable0 = 0x02;
constexpr uint8_t WriteTable1 = 0x03;
constexpr uint8_t UploadMacro = 0x04;
constexpr uint8_t SettingsAction = 0x0A;
constexpr uint8_t WritePairing = 0x0E;
constexpr uint8_t PairMode = 0x1E;
constexpr uint8_t ReadTable0 = 0x82;
constexpr uint8_t ReadTable1 = 0x83;
constexpr uint8_t ReadPairing = 0x8E;
constexpr uint8_t PairStatus = 0x9E;
} // namespace cmd

constexpr uint8_t kPairStart = 0x01;
constexpr uint8_t kPairStop = 0x0F;
constexpr uint8_t kSettingsReset = 0xFF;

// Feature report carrying one command: report number, code, seven parameters.
struct CommandFrame {
    static constexpr size_t kSize = 9;
    uint8_t reportId = 0;
    uint8_t code = 0;
    std::array<uint8_t, 7> param{};

    std::array<uint8_t, kSize> encode() const;
    // Shorter reports are padded with zeros; fewer than two bytes is no frame.
    static std::optional<CommandFrame> parse(const uint8_t* data, size_t len);
};
static_assert(sizeof(CommandFrame) == CommandFrame::kSize, "frame is packed bytes");

// Parameters of 0x02/0x03: length 1-4 bytes at an address.
struct TableWrite {
    uint8_t addr = 0;
    uint8_t length = 0;
    std::array<uint8_t, 4> bytes{};
    static TableWrite from(const CommandFrame& f);
};

// Parameters of 0x83: start address and byte count (63).
struct TableRead {
    uint8_t start = 0;
    uint8_t count = 0;
    static TableRead from(const CommandFrame& f);
};

// Parameters of 0x04: macro slot and declared length; the data follows as output reports.
struct MacroHeader {
    uint8_t index = 0;
    uint16_t length = 0;
    static MacroHeader from(const CommandFrame& f);
    size_t blocks() const { return (length + kBlockSize - 1) / kBlockSize; }
};

// Single-byte argument of 0x01 (profile) and 0x1E (start/stop), in parameter byte 3.
uint8_t modeArgument(const CommandFrame& f);
// Single-byte argument of 0x0A, in parameter byte 1.
uint8_t actionArgument(const CommandFrame& f);

// Answer of 0x82/0x83/0x8E on the command interface: code, then 63 data bytes.
struct AnswerBlock {
    uint8_t code = 0;
    std::array<uint8_t, kBlockSize - 1> data{};
    std::array<uint8_t, kBlockSize> encode() const;
};
static_assert(sizeof(AnswerBlock) == kBlockSize, "answer block is one report");

// Feature report read back after a command: report number, code, status, five zero bytes.
struct FeatureAnswer {
    static constexpr size_t kSize = 9;
    uint8_t reportId = 0;
    uint8_t code = 0;
    uint8_t status = 0;
    std::array<uint8_t, 6> rest{};
    std::array<uint8_t, kSize> encode() const;
};
static_assert(sizeof(FeatureAnswer) == FeatureAnswer::kSize, "feature answer is packed bytes");

// Notification on the event interface: the interface's report number, then four bytes.
struct EventReport {
    static constexpr size_t kSize = 5;
    static constexpr uint8_t kReportId = 0x01;
    std::array<uint8_t, 4> payload{};
    std::array<uint8_t, kSize> encode() const;
};

namespace event
{
constexpr uint8_t Lighting = 0x0A;
constexpr uint8_t DpiLevel = 0x0B;
constexpr uint8_t Busy = 0x0F;
constexpr uint8_t Battery = 0x11;
constexpr uint8_t ReportRate = 0xF0;
} // namespace event

} // namespace sim
