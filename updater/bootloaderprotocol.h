#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <array>

// Boot-loader commands: 64-byte output reports beginning with 0x5A, answered by input reports that
// are copied back over the command. A step keeps one command buffer for all its commands, so each
// setter below writes only the bytes its command defines and leaves the rest as the last answer
// left them.
namespace bootloader
{

constexpr int kFrameSize = 64;
constexpr int kFramesPerBlock = 18;
constexpr int kBlockSize = 1024;
constexpr int kBlockBufferSize = kFrameSize * kFramesPerBlock;
constexpr int kCrcBlockSize = 2048;

constexpr quint8 kPrefix = 0x5A;
constexpr quint8 kAnswerOk = 0xFF;
// Flash address of the image in units of 256 bytes (0x6000); 4 units per KiB.
constexpr quint8 kFlashBase = 0x60;
constexpr quint8 kBlockAddressSpace = 0x08;
constexpr quint8 kCrcLength = 0x02;
// The address byte reaches 0xFC with the 40th KiB; one block more would wrap into the boot area.
constexpr int kMaxBlocks = (0x100 - kFlashBase) / 4;

enum Code : quint8 {
    DataBegin = 0xA1,
    BlockAddress = 0xA2,
    Data = 0xA3,
    DataEnd = 0xA4,
    BlockCrc = 0xA5,
    Finish = 0xA6,
    Address = 0xA7,
};

// Byte positions of commands and answers.
enum Field {
    FieldPrefix = 0,
    FieldCode = 1,
    FieldArg = 2, // address space on commands, status on answers
    FieldLength = 3,
    FieldAddress = 4,
    FieldAddressLow = 5,
    FieldCrcHigh = 6,
    FieldCrcLength = 7,
    FieldCrc = 4, // answers of the block CRC: bytes 4-7, big-endian
};

using Command = std::array<quint8, kFrameSize>;

void setAddress(Command& cmd);
void setDataBegin(Command& cmd);
void setBlockAddress(Command& cmd, int block);
void setDataEnd(Command& cmd);
void setFirstBlockCrc(Command& cmd);
void setBlockCrc(Command& cmd, int block);
void setFinish(Command& cmd);

// An answer counts only when it echoes the command it answers.
bool answerEchoes(const Command& answer, Code code);
// Echo plus the "done" status byte.
bool answerOk(const Command& answer, Code code);
quint32 answerCrc(const Command& answer);

// One data frame: 60 payload bytes (4 in the last frame of a block, the rest 0xFF).
struct DataFrame {
    quint8 prefix;
    quint8 code;
    quint8 zero;
    quint8 length;
    quint8 payload[60];
};
static_assert(sizeof(DataFrame) == kFrameSize, "a data frame fills one report");

constexpr int kPayloadFull = 60;
constexpr int kPayloadLast = 4;
static_assert(kPayloadFull * (kFramesPerBlock - 1) + kPayloadLast == kBlockSize,
              "a block's frames carry exactly 1 KiB");

// Frame j of a block, built from the front of image (consumed bytes are removed).
DataFrame takeDataFrame(QByteArray& image, int j);

// 1 KiB blocks written for an image of `length` bytes (none below 1 KiB).
int dataBlockCount(int length);
// 2 KiB blocks checked (none below 2 KiB).
int crcBlockCount(int length);
// Report progress before every S-th data frame: at most progressBase reports, and never 0, so
// small images still advance.
int progressStep(int blocks, int progressBase);

} // namespace bootloader
