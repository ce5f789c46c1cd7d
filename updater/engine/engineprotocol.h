#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>
#include <cstddef>
#include <optional>

// Wire protocol and image format of the firmware-update engine.
//
// Transport: the normal-mode device exposes one more HID interface, usage page 0xFF5E, usage 1,
// beside its command and event interfaces. Every request is a 64-byte feature report with report
// id 6 (byte 1 = opcode), and every request is followed by a 64-byte get-feature of report id 6
// whose byte 1 is the status (0 = accepted):
//
//   0x01 version   answer: 2-3 version (LE), 4-5 checksum (LE), 6-10 configuration version
//   0x10 begin     2-5 image length (LE), 6-9 image CRC-32/MPEG-2 (LE)
//   0x11 data      2-5 offset (LE), 6 byte count n (1-57), 7.. the n image bytes
//   0x12 end       the device checks length and CRC of what it received; status 0 means the
//                  image is accepted and the device restarts with it
//
// Image file ("b1/"): 12-byte header then the image:
//   0-3 magic "QXES", 4-7 image length (LE), 8-11 CRC-32/MPEG-2 of the image (LE).
// The engine checks magic, length (the file holds exactly header + length bytes) and CRC before it
// sends anything.
namespace esproto
{

constexpr quint16 kUsagePage = 0xFF5E;
constexpr quint16 kUsage = 0x0001;
constexpr quint8 kReportId = 6;
constexpr int kReportSize = 64;
constexpr int kDataMax = 57;
constexpr quint8 kStatusOk = 0;

enum Opcode : quint8 {
    Version = 0x01,
    Begin = 0x10,
    Data = 0x11,
    End = 0x12,
};

// Version and end requests carry only the opcode.
struct PlainRequest {
    quint8 reportId;
    quint8 opcode;
    quint8 zero[62];
};
struct BeginRequest {
    quint8 reportId;
    quint8 opcode;
    quint8 length[4];
    quint8 crc[4];
    quint8 zero[54];
};
struct DataRequest {
    quint8 reportId;
    quint8 opcode;
    quint8 offset[4];
    quint8 count;
    quint8 data[kDataMax];
};
static_assert(sizeof(PlainRequest) == kReportSize, "a request fills one feature report");
static_assert(sizeof(BeginRequest) == kReportSize, "a request fills one feature report");
static_assert(sizeof(DataRequest) == kReportSize, "a request fills one feature report");

struct Answer {
    quint8 reportId;
    quint8 status;
    quint8 version[2];
    quint8 checksum[2];
    quint8 configVersion[5];
    quint8 rest[53];
};
static_assert(sizeof(Answer) == kReportSize, "an answer fills one feature report");

using Report = std::array<quint8, kReportSize>;

Report versionRequest();
Report beginRequest(quint32 length, quint32 crc);
Report dataRequest(quint32 offset, const QByteArray& bytes);
Report endRequest();

// Fields of a request as the device reads them.
struct ParsedRequest {
    Opcode opcode = Version;
    quint32 value = 0; // begin: length; data: offset
    quint32 crc = 0;   // begin only
    QByteArray data;   // data only
};
std::optional<ParsedRequest> parseRequest(const quint8* bytes, int length);

struct VersionInfo {
    quint16 version = 0;
    quint16 checksum = 0;
    quint8 configVersion[5] = {};
};
Report answer(quint8 status, const VersionInfo& info = {});
// How far an answer must reach for its reader: the status, or the version fields too.
constexpr int kStatusAnswerBytes = offsetof(Answer, version);
constexpr int kVersionAnswerBytes = offsetof(Answer, rest);
// Accepted: the `length` bytes received reach `needed`, and the status is 0.
bool answerOk(const Report& answer, int length, int needed = kStatusAnswerBytes);
VersionInfo parseVersion(const Report& answer);

// No device has more flash: a larger engine file is damaged and is never read whole.
constexpr qint64 kImageFileMaxBytes = 1 << 20;

// The image inside an engine file, or nullopt when magic, length or CRC do not hold.
std::optional<QByteArray> parseImageFile(const QByteArray& file);
QByteArray makeImageFile(const QByteArray& image);

} // namespace esproto
