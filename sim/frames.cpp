#include "sim/frames.h"

#include <algorithm>

namespace sim
{

std::array<uint8_t, CommandFrame::kSize> CommandFrame::encode() const
{
    std::array<uint8_t, kSize> out{};
    out[0] = reportId;
    out[1] = code;
    std::copy(param.begin(), param.end(), out.begin() + 2);
    return out;
}

std::optional<CommandFrame> CommandFrame::parse(const uint8_t* data, size_t len)
{
    if (!data || len < 2)
        return std::nullopt;
    CommandFrame f;
    f.reportId = data[0];
    f.code = data[1];
    const size_t n = std::min(len - 2, f.param.size());
    std::copy(data + 2, data + 2 + n, f.param.begin());
    return f;
}

TableWrite TableWrite::from(const CommandFrame& f)
{
    TableWrite w;
    w.addr = f.param[0];
    w.length = f.param[1];
    std::copy(f.param.begin() + 2, f.param.begin() + 6, w.bytes.begin());
    return w;
}

TableRead TableRead::from(const CommandFrame& f)
{
    return {f.param[0], f.param[1]};
}

MacroHeader MacroHeader::from(const CommandFrame& f)
{
    return {f.param[0], uint16_t(f.param[1] | (f.param[2] << 8))};
}

uint8_t modeArgument(const CommandFrame& f)
{
    return f.param[2];
}
uint8_t actionArgument(const CommandFrame& f)
{
    return f.param[0];
}

std::array<uint8_t, kBlockSize> AnswerBlock::encode() const
{
    std::array<uint8_t, kBlockSize> out{};
    out[0] = code;
    std::copy(data.begin(), data.end(), out.begin() + 1);
    return out;
}

std::array<uint8_t, FeatureAnswer::kSize> FeatureAnswer::encode() const
{
    std::array<uint8_t, kSize> out{};
    out[0] = reportId;
    out[1] = code;
    out[2] = status;
    std::copy(rest.begin(), rest.end(), out.begin() + 3);
    return out;
}

std::array<uint8_t, EventReport::kSize> EventReport::encode() const
{
    return {kReportId, payload[0], payload[1], payload[2], payload[3]};
}

} // namespace sim
