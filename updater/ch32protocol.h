#pragma once

#include <QByteArray>
#include <QtGlobal>

// CH32 IAP frames: 64-byte feature reports with report id 4, each answered by a feature report
// whose byte 1 is the status (0 = done).
namespace ch32
{

constexpr quint8 kReportId = 4;
constexpr int kFrameSize = 64;
constexpr int kChunkSize = 59;
constexpr quint8 kEraseArg = 0x02;
constexpr quint8 kStatusOk = 0x00;

enum Command : quint8 {
    Write = 0x80,
    Erase = 0x81,
    Verify = 0x82,
    Finish = 0x83,
};

struct Frame {
    quint8 reportId;
    quint8 command;
    quint8 length;   // data bytes of a write/verify chunk; 0x02 on erase and finish
    quint8 offsetLo; // byte offset of the chunk in the image, 16 bits
    quint8 offsetHi;
    quint8 data[kChunkSize];
};
static_assert(sizeof(Frame) == kFrameSize, "a frame fills one feature report");

struct Answer {
    quint8 reportId;
    quint8 status;
};

Frame eraseFrame();
Frame finishFrame();
// Write or verify frame for the chunk at `offset`; chunk holds at most 59 bytes.
Frame chunkFrame(Command command, int offset, const QByteArray& chunk);
// Reads the frame's fields back out of 64 raw bytes.
Frame parseFrame(const quint8* bytes);

// Done: the `length` bytes received reach the status, which is 0. The answer carries no copy of
// the command it answers, so nothing else can be checked.
bool answerOk(const quint8* answer, int length);

// Chunks for an image of `length` bytes; the last one is shorter when length is not a multiple.
int chunkCount(int length);
// Progress after write chunk i and verify chunk i of n, mapped below progressBase.
int writeProgress(int i, int n, int progressBase);
int verifyProgress(int i, int n, int progressBase);

} // namespace ch32
