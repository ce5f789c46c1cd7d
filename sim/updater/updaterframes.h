#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Wire layouts of the updater modes, as the device sees them.
namespace sim::upd
{

// Normal-mode commands (feature report 00 code ...).
constexpr uint8_t kEnterBootLoader = 0x1F;
constexpr uint8_t kQueryModel = 0xEF;

// Boot-loader device: output reports 00 + 64 bytes, answers are 64-byte input reports.
namespace bl
{
constexpr uint16_t kVid = 0x2E3C;
constexpr uint16_t kPid = 0xAF01;
constexpr uint16_t kUsagePage = 0x00FF;
constexpr size_t kFrameSize = 64;
constexpr uint8_t kPrefix = 0x5A;
constexpr uint8_t kOk = 0xFF;
constexpr uint8_t kRefused = 0x00;
constexpr uint32_t kImageBase = 0x6000;
constexpr size_t kCrcSpan = 2048;
enum Code : uint8_t {
    DataBegin = 0xA1,
    BlockAddress = 0xA2,
    Data = 0xA3,
    DataEnd = 0xA4,
    BlockCrc = 0xA5,
    Finish = 0xA6,
    Address = 0xA7,
};

// One command or answer. Address commands carry the flash address in units of 256 bytes in
// body[0]; data frames carry `length` payload bytes in body; CRC answers put the CRC big-endian in
// body[0..3].
struct Frame {
    uint8_t prefix;
    uint8_t code;
    uint8_t status; // answers: kOk or kRefused
    uint8_t length;
    uint8_t body[60];
};
static_assert(sizeof(Frame) == kFrameSize, "one report");

std::optional<Frame> parse(const uint8_t* data, size_t len);
std::vector<uint8_t> encode(const Frame& f);
void putCrc(Frame& answer, uint32_t crc);
} // namespace bl

// CH32 IAP device: 64-byte feature reports with report id 4 in both directions.
namespace iap
{
constexpr uint16_t kVid = 0x093A;
constexpr uint16_t kPid = 0xC799;
constexpr uint16_t kUsagePage = 0xFF01;
constexpr uint8_t kReportId = 4;
constexpr size_t kFrameSize = 64;
constexpr size_t kChunkMax = 59;
enum Code : uint8_t { Write = 0x80, Erase = 0x81, Verify = 0x82, Finish = 0x83 };

struct Frame {
    uint8_t reportId;
    uint8_t code;
    uint8_t length;
    uint8_t offsetLo;
    uint8_t offsetHi;
    uint8_t data[kChunkMax];
    uint16_t offset() const { return uint16_t(offsetLo | offsetHi << 8); }
};
static_assert(sizeof(Frame) == kFrameSize, "one report");

struct Answer {
    uint8_t reportId;
    uint8_t status; // 0 done
    uint8_t zero[62];
};
static_assert(sizeof(Answer) == kFrameSize, "one report");

std::optional<Frame> parse(const uint8_t* data, size_t len);
} // namespace iap

// Update-engine interface of a normal-mode device: 64-byte feature reports, report id 6.
namespace es
{
constexpr uint16_t kUsagePage = 0xFF5E;
constexpr uint8_t kReportId = 6;
constexpr size_t kFrameSize = 64;
constexpr size_t kDataMax = 57;
enum Code : uint8_t { Version = 0x01, Begin = 0x10, Data = 0x11, End = 0x12 };

struct Request {
    uint8_t code;
    uint32_t value = 0; // begin: image length; data: offset
    uint32_t crc = 0;   // begin
    std::vector<uint8_t> data;
};
std::optional<Request> parse(const uint8_t* data, size_t len);

struct Answer {
    uint8_t reportId;
    uint8_t status;
    uint8_t versionLo;
    uint8_t versionHi;
    uint8_t checksumLo;
    uint8_t checksumHi;
    uint8_t configVersion[5];
    uint8_t zero[53];
};
static_assert(sizeof(Answer) == kFrameSize, "one report");
} // namespace es

// CRC-32/MPEG-2, as the boot loader and the engine interface compute it.
uint32_t crc32Mpeg2(const uint8_t* data, size_t len);

// Test images carry "QXVR", their firmware version big-endian and the kind of device they are
// built for; the first occurrence of "QXVR" counts.
enum class ImageKind : uint8_t { BootLoader = 'B', Ch32 = 'C', Engine = 'E' };
// The version of an image built for `kind`; nullopt when the tag is missing or names another kind.
std::optional<uint16_t> versionFor(ImageKind kind, const std::vector<uint8_t>& image);

} // namespace sim::upd
