#include "updater/engine/engineprotocol.h"

#include "updater/firmwareimage.h"

#include <cstring>

namespace esproto
{

namespace
{

constexpr char kMagic[4] = {'Q', 'X', 'E', 'S'};
constexpr int kHeaderSize = 12;

void putLe32(quint8* out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out[i] = quint8(v >> (8 * i));
}

quint32 getLe32(const quint8* in)
{
    return quint32(in[0]) | quint32(in[1]) << 8 | quint32(in[2]) << 16 | quint32(in[3]) << 24;
}

template <typename T> Report encode(const T& frame)
{
    static_assert(sizeof(T) == kReportSize, "one report");
    Report r;
    std::memcpy(r.data(), &frame, sizeof frame);
    return r;
}

template <typename T> T zeroed(Opcode op)
{
    T frame;
    std::memset(&frame, 0, sizeof frame);
    frame.reportId = kReportId;
    frame.opcode = op;
    return frame;
}

quint32 crcOf(const QByteArray& bytes)
{
    return fwimage::crc32Mpeg2(reinterpret_cast<const quint8*>(bytes.constData()), bytes.size());
}

} // namespace

Report versionRequest()
{
    return encode(zeroed<PlainRequest>(Version));
}

Report beginRequest(quint32 length, quint32 crc)
{
    auto f = zeroed<BeginRequest>(Begin);
    putLe32(f.length, length);
    putLe32(f.crc, crc);
    return encode(f);
}

Report dataRequest(quint32 offset, const QByteArray& bytes)
{
    auto f = zeroed<DataRequest>(Data);
    const int n = qMin(int(bytes.size()), kDataMax);
    putLe32(f.offset, offset);
    f.count = quint8(n);
    std::memcpy(f.data, bytes.constData(), size_t(n));
    return encode(f);
}

Report endRequest()
{
    return encode(zeroed<PlainRequest>(End));
}

std::optional<ParsedRequest> parseRequest(const quint8* bytes, int length)
{
    if (length < kReportSize || bytes[0] != kReportId)
        return std::nullopt;
    ParsedRequest p;
    p.opcode = Opcode(bytes[1]);
    switch (bytes[1]) {
    case Version:
    case End:
        break;
    case Begin: {
        BeginRequest f;
        std::memcpy(&f, bytes, sizeof f);
        p.value = getLe32(f.length);
        p.crc = getLe32(f.crc);
        break;
    }
    case Data: {
        DataRequest f;
        std::memcpy(&f, bytes, sizeof f);
        if (f.count == 0 || f.count > kDataMax)
            return std::nullopt;
        p.value = getLe32(f.offset);
        p.data = QByteArray(reinterpret_cast<const char*>(f.data), f.count);
        break;
    }
    default:
        return std::nullopt;
    }
    return p;
}

Report answer(quint8 status, const VersionInfo& info)
{
    Answer a;
    std::memset(&a, 0, sizeof a);
    a.reportId = kReportId;
    a.status = status;
    a.version[0] = quint8(info.version);
    a.version[1] = quint8(info.version >> 8);
    a.checksum[0] = quint8(info.checksum);
    a.checksum[1] = quint8(info.checksum >> 8);
    std::memcpy(a.configVersion, info.configVersion, sizeof a.configVersion);
    return encode(a);
}

bool answerOk(const Report& answer, int length, int needed)
{
    return length >= needed && answer[0] == kReportId && answer[1] == kStatusOk;
}

VersionInfo parseVersion(const Report& answer)
{
    Answer a;
    std::memcpy(&a, answer.data(), sizeof a);
    VersionInfo info;
    info.version = quint16(a.version[0] | a.version[1] << 8);
    info.checksum = quint16(a.checksum[0] | a.checksum[1] << 8);
    std::memcpy(info.configVersion, a.configVersion, sizeof info.configVersion);
    return info;
}

std::optional<QByteArray> parseImageFile(const QByteArray& file)
{
    if (file.size() < kHeaderSize || std::memcmp(file.constData(), kMagic, sizeof kMagic) != 0)
        return std::nullopt;
    const auto* header = reinterpret_cast<const quint8*>(file.constData());
    const quint32 length = getLe32(header + 4);
    if (quint64(file.size()) != quint64(kHeaderSize) + length)
        return std::nullopt;
    QByteArray image = file.mid(kHeaderSize);
    if (crcOf(image) != getLe32(header + 8))
        return std::nullopt;
    return image;
}

QByteArray makeImageFile(const QByteArray& image)
{
    QByteArray file(kHeaderSize, '\0');
    std::memcpy(file.data(), kMagic, sizeof kMagic);
    auto* header = reinterpret_cast<quint8*>(file.data());
    putLe32(header + 4, quint32(image.size()));
    putLe32(header + 8, crcOf(image));
    return file + image;
}

} // namespace esproto
