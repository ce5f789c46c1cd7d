#pragma once

// Byte layouts of the configuration protocol: command frames, answer blocks, output reports and
// event reports. Pure functions only; the transport moves the bytes these produce.

#include <QtGlobal>
#include <array>
#include <optional>
#include <vector>

namespace frames
{

// Command codes. Reads have bit 7 set; the same code without it is the matching write.
enum class Cmd : quint8 {
    SelectProfile = 0x01,
    WriteTable0 = 0x02,
    WriteTable1 = 0x03,
    MacroUpload = 0x04,
    SettingsAction = 0x0A,
    PairBlockWrite = 0x0E,
    PairRun = 0x1E,
    ReadTable0 = 0x82,
    ReadTable1 = 0x83,
    PairBlockRead = 0x8E,
    PairStatus = 0x9E,
};

constexpr int kFrameSize = 9;      // feature report: report number, code, 7 parameters
constexpr int kBlockSize = 64;     // one answer or data block
constexpr int kBlockDataSize = 63; // table bytes carried by one answer block
constexpr int kMacroMaxLength = 256;
constexpr quint8 kPairStart = 0x01;
constexpr quint8 kPairStop = 0x0F;

// The 9-byte feature report every command starts with. Unused parameters stay 0.
struct CommandFrame {
    quint8 reportId = 0;
    quint8 code = 0;
    std::array<quint8, 7> params{};

    std::array<quint8, kFrameSize> encode() const;
};
static_assert(sizeof(CommandFrame) == kFrameSize, "command frame is one 9-byte feature report");

CommandFrame readTable0Frame();
// Table 1 is read 63 bytes at a time starting at `start`.
CommandFrame readTable1Frame(quint8 start);
// The short write behind every single setting: code, address, length (1-4), up to four bytes.
CommandFrame shortWriteFrame(quint8 code, quint8 startAddr, quint8 length, quint8 byte0,
                             quint8 byte1, quint8 byte2, quint8 byte3);
CommandFrame macroUploadFrame(quint8 index, quint16 length);
CommandFrame pairBlockReadFrame();
CommandFrame pairBlockWriteFrame();
CommandFrame pairStatusFrame();
CommandFrame pairRunFrame(bool bStart);

// A 64-byte answer block: the echoed command code, then 63 data bytes.
struct AnswerBlock {
    quint8 code = 0;
    std::array<quint8, kBlockDataSize> data{};

    // Rejects anything shorter than a whole block.
    static std::optional<AnswerBlock> parse(const quint8* bytes, int size);
};
static_assert(sizeof(AnswerBlock) == kBlockSize, "answer block is 64 bytes");

// The 9-byte feature answer of the pairing status query.
struct PairStatusAnswer {
    quint8 reportId = 0;
    quint8 code = 0;
    quint8 state = 0; // 1 once pairing has finished
    std::array<quint8, 6> reserved{};

    // Rejects anything shorter than the 9-byte answer.
    static std::optional<PairStatusAnswer> parse(const quint8* bytes, int size);
    bool finished() const { return state == 1; }
};
static_assert(sizeof(PairStatusAnswer) == kFrameSize, "feature answer is 9 bytes");

// The block that pairs a receiver: the mouse's answer data followed by one 0 byte.
std::array<quint8, kBlockSize> pairingPayload(const AnswerBlock& mouseAnswer);

// Bytes carried per report when n bytes travel in reports of reportLength data bytes.
int chunkSize(int n, int reportLength);
// One output report: report number 0, `count` data bytes, zero padding up to reportLength.
std::vector<quint8> outputReport(const quint8* data, int count, int reportLength);
// A macro travels in whole 64-byte blocks.
int macroTransferLength(quint32 length);

// A device notification: bytes 1-4 of an event report of exactly 5 bytes.
struct DeviceEvent {
    quint8 byte0 = 0;
    quint8 byte1 = 0;
    quint8 byte2 = 0;
    quint8 byte3 = 0;

    static std::optional<DeviceEvent> parse(const quint8* report, int size);
};

} // namespace frames
