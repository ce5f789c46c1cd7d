#include "updater/ch32protocol.h"

#include <cstring>

namespace ch32
{

namespace
{

Frame emptyFrame(Command command)
{
    Frame f;
    std::memset(&f, 0, sizeof f);
    f.reportId = kReportId;
    f.command = command;
    return f;
}

} // namespace

Frame eraseFrame()
{
    Frame f = emptyFrame(Erase);
    f.length = kEraseArg;
    return f;
}

Frame finishFrame()
{
    Frame f = emptyFrame(Finish);
    f.length = kEraseArg;
    return f;
}

Frame chunkFrame(Command command, int offset, const QByteArray& chunk)
{
    Frame f = emptyFrame(command);
    const int n = qMin(int(chunk.size()), kChunkSize);
    f.length = quint8(n);
    f.offsetLo = quint8(offset);
    f.offsetHi = quint8(offset >> 8);
    std::memcpy(f.data, chunk.constData(), size_t(n));
    return f;
}

Frame parseFrame(const quint8* bytes)
{
    Frame f;
    std::memcpy(&f, bytes, sizeof f);
    return f;
}

bool answerOk(const quint8* answer, int length)
{
    return length >= int(sizeof(Answer)) && answer[0] == kReportId && answer[1] == kStatusOk;
}

int chunkCount(int length)
{
    return length / kChunkSize + (length % kChunkSize ? 1 : 0);
}

int writeProgress(int i, int n, int progressBase)
{
    return (i * progressBase / n) / 2;
}

int verifyProgress(int i, int n, int progressBase)
{
    return progressBase / 2 + (progressBase * i / n) / 2;
}

} // namespace ch32
