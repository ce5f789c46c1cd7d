#include "device/frames.h"

#include <algorithm>

namespace frames
{

namespace
{
constexpr int kEventReportSize = 5;

CommandFrame frame(Cmd code, std::array<quint8, 7> params = {})
{
    CommandFrame f;
    f.code = static_cast<quint8>(code);
    f.params = params;
    return f;
}
} // namespace

std::array<quint8, kFrameSize> CommandFrame::encode() const
{
    std::array<quint8, kFrameSize> bytes{};
    bytes[0] = reportId;
    bytes[1] = code;
    std::copy(params.begin(), params.end(), bytes.begin() + 2);
    return bytes;
}

CommandFrame readTable0Frame()
{
    return frame(Cmd::ReadTable0);
}

CommandFrame readTable1Frame(quint8 start)
{
    return frame(Cmd::ReadTable1, {start, quint8(kBlockDataSize)});
}

CommandFrame shortWriteFrame(quint8 code, quint8 startAddr, quint8 length, quint8 byte0,
                             quint8 byte1, quint8 byte2, quint8 byte3)
{
    CommandFrame f;
    f.code = code;
    f.params = {startAddr, length, byte0, byte1, byte2, byte3, 0};
    return f;
}

CommandFrame macroUploadFrame(quint8 index, quint16 length)
{
    return frame(Cmd::MacroUpload, {index, quint8(length & 0xFF), quint8(length >> 8)});
}

CommandFrame pairBlockReadFrame()
{
    return frame(Cmd::PairBlockRead);
}
CommandFrame pairBlockWriteFrame()
{
    return frame(Cmd::PairBlockWrite);
}
CommandFrame pairStatusFrame()
{
    return frame(Cmd::PairStatus);
}

CommandFrame pairRunFrame(bool bStart)
{
    return frame(Cmd::PairRun, {0, 0, bStart ? kPairStart : kPairStop});
}

std::optional<AnswerBlock> AnswerBlock::parse(const quint8* bytes, int size)
{
    if (!bytes || size < kBlockSize)
        return std::nullopt;
    AnswerBlock block;
    block.code = bytes[0];
    std::copy(bytes + 1, bytes + kBlockSize, block.data.begin());
    return block;
}

std::optional<PairStatusAnswer> PairStatusAnswer::parse(const quint8* bytes, int size)
{
    if (!bytes || size < kFrameSize)
        return std::nullopt;
    PairStatusAnswer answer;
    answer.reportId = bytes[0];
    answer.code = bytes[1];
    answer.state = bytes[2];
    std::copy(bytes + 3, bytes + kFrameSize, answer.reserved.begin());
    return answer;
}

std::array<quint8, kBlockSize> pairingPayload(const AnswerBlock& mouseAnswer)
{
    std::array<quint8, kBlockSize> payload{};
    std::copy(mouseAnswer.data.begin(), mouseAnswer.data.end(), payload.begin());
    return payload;
}

int chunkSize(int n, int reportLength)
{
    return n < reportLength ? n : reportLength;
}

std::vector<quint8> outputReport(const quint8* data, int count, int reportLength)
{
    std::vector<quint8> report(size_t(reportLength) + 1, 0);
    std::copy(data, data + std::min(count, reportLength), report.begin() + 1);
    return report;
}

int macroTransferLength(quint32 length)
{
    return int((length + kBlockSize - 1) / kBlockSize * kBlockSize);
}

std::optional<DeviceEvent> DeviceEvent::parse(const quint8* report, int size)
{
    if (!report || size != kEventReportSize)
        return std::nullopt;
    return DeviceEvent{report[1], report[2], report[3], report[4]};
}

} // namespace frames
