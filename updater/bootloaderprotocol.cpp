#include "updater/bootloaderprotocol.h"

#include <cstring>

namespace bootloader
{

void setAddress(Command& cmd)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = Address;
}

void setDataBegin(Command& cmd)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = DataBegin;
}

void setBlockAddress(Command& cmd, int block)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = BlockAddress;
    cmd[FieldArg] = kBlockAddressSpace;
    cmd[FieldAddress] = quint8(kFlashBase + 4 * block);
}

void setDataEnd(Command& cmd)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = DataEnd;
    cmd[FieldArg] = 0x00;
    cmd[FieldAddress] = 0x00;
}

void setFirstBlockCrc(Command& cmd)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = BlockCrc;
    cmd[FieldAddress] = kFlashBase;
    cmd[FieldCrcLength] = kCrcLength;
}

void setBlockCrc(Command& cmd, int block)
{
    cmd[FieldArg] = 0x00;
    cmd[FieldAddress] = quint8(kFlashBase + 8 * block);
    cmd[FieldAddressLow] = 0x00;
    cmd[FieldCrcHigh] = 0x00;
    cmd[FieldCrcLength] = kCrcLength;
}

void setFinish(Command& cmd)
{
    cmd[FieldPrefix] = kPrefix;
    cmd[FieldCode] = Finish;
}

bool answerEchoes(const Command& answer, Code code)
{
    return answer[FieldPrefix] == kPrefix && answer[FieldCode] == code;
}

bool answerOk(const Command& answer, Code code)
{
    return answerEchoes(answer, code) && answer[FieldArg] == kAnswerOk;
}

quint32 answerCrc(const Command& answer)
{
    return quint32(answer[FieldCrc]) << 24 | quint32(answer[FieldCrc + 1]) << 16 |
           quint32(answer[FieldCrc + 2]) << 8 | answer[FieldCrc + 3];
}

DataFrame takeDataFrame(QByteArray& image, int j)
{
    const bool last = j == kFramesPerBlock - 1;
    const int length = last ? kPayloadLast : kPayloadFull;
    DataFrame f;
    f.prefix = kPrefix;
    f.code = Data;
    f.zero = 0x00;
    f.length = quint8(length);
    std::memset(f.payload, 0xFF, sizeof f.payload);
    const int n = qMin(length, image.size());
    std::memcpy(f.payload, image.constData(), size_t(n));
    image.remove(0, n);
    return f;
}

int dataBlockCount(int length)
{
    return length / kBlockSize + (length > kBlockSize - 1 && length % kBlockSize ? 1 : 0);
}

int crcBlockCount(int length)
{
    return length / kCrcBlockSize + (length > kCrcBlockSize - 1 && length % kCrcBlockSize ? 1 : 0);
}

int progressStep(int blocks, int progressBase)
{
    // Rounded up, so the data step never reports past its share of the bar.
    const int frames = kFramesPerBlock * blocks;
    const int step = progressBase > 0 ? (frames + progressBase - 1) / progressBase : 0;
    return step > 0 ? step : 1;
}

} // namespace bootloader
