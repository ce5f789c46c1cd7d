#include "sim/updater/updaterframes.h"

#include <algorithm>
#include <cstring>

namespace sim::upd
{

namespace
{

uint32_t le32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

namespace bl
{

std::optional<Frame> parse(const uint8_t* data, size_t len)
{
    // Output reports arrive with the report number 0 in front.
    if (!data || len != kFrameSize + 1 || data[0] != 0)
        return std::nullopt;
    Frame f;
    std::memcpy(&f, data + 1, sizeof f);
    return f;
}

std::vector<uint8_t> encode(const Frame& f)
{
    const auto* p = reinterpret_cast<const uint8_t*>(&f);
    return {p, p + sizeof f};
}

void putCrc(Frame& answer, uint32_t crc)
{
    for (int i = 0; i < 4; ++i)
        answer.body[i] = uint8_t(crc >> (24 - 8 * i));
}

} // namespace bl

namespace iap
{

std::optional<Frame> parse(const uint8_t* data, size_t len)
{
    if (!data || len != kFrameSize || data[0] != kReportId)
        return std::nullopt;
    Frame f;
    std::memcpy(&f, data, sizeof f);
    if ((f.code == Write || f.code == Verify) && f.length > kChunkMax)
        return std::nullopt;
    return f;
}

} // namespace iap

namespace es
{

std::optional<Request> parse(const uint8_t* data, size_t len)
{
    if (!data || len != kFrameSize || data[0] != kReportId)
        return std::nullopt;
    Request r;
    r.code = data[1];
    switch (r.code) {
    case Version:
    case End:
        return r;
    case Begin:
        r.value = le32(data + 2);
        r.crc = le32(data + 6);
        return r;
    case Data:
        if (data[6] == 0 || data[6] > kDataMax)
            return std::nullopt;
        r.value = le32(data + 2);
        r.data.assign(data + 7, data + 7 + data[6]);
        return r;
    default:
        return std::nullopt;
    }
}

} // namespace es

uint32_t crc32Mpeg2(const uint8_t* data, size_t len)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < len; ++i) {
        crc ^= uint32_t(data[i]) << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
    }
    return crc;
}

std::optional<uint16_t> versionFor(ImageKind kind, const std::vector<uint8_t>& image)
{
    static const uint8_t tag[] = {'Q', 'X', 'V', 'R'};
    auto it = std::search(image.begin(), image.end(), std::begin(tag), std::end(tag));
    if (it == image.end() || image.end() - it < 7 || it[6] != uint8_t(kind))
        return std::nullopt;
    return uint16_t(it[4] << 8 | it[5]);
}

} // namespace sim::upd
