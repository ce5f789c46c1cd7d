#include "frontend/macroimage.h"

#include <QVector>
#include <algorithm>
#include <cmath>
#include <vector>

namespace macroimage
{
namespace
{

// In a control entry these bits start a delay item (read as the macro page reads them); in a
// control byte they say that the delay follows in two extra bytes.
constexpr quint8 kDelayBits = 0x7F;
constexpr quint8 kReleaseBit = 0x80;
constexpr int kCountSize = 2;
constexpr int kEndSize = 2;
constexpr int kListEntries = 256; // the page's action list
constexpr int kDelayItemSize = 4;
constexpr quint32 kLongestDelay = 0xFFFF;

// One press or release with the delay that follows it, in units of 10 ms.
struct Record {
    bool release = false;
    quint8 code = 0;
    bool delayed = false;
    quint32 delay = 0;
    bool afterFirstDelay = false;

    int size() const { return delayed && delay >= kDelayBits ? 4 : 2; }
};

std::optional<QVector<quint8>> entriesOf(const QVariantList& actions)
{
    if (actions.size() < kCountSize)
        return std::nullopt;
    QVector<quint8> entries;
    entries.reserve(actions.size());
    for (const QVariant& v : actions) {
        switch (v.userType()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            break;
        default:
            return std::nullopt;
        }
        const double value = v.toDouble();
        if (!(value >= 0 && value <= 255) || value != std::floor(value))
            return std::nullopt;
        entries.append(quint8(value));
    }
    return entries;
}

// Reads items up to the end item, or up to the last whole item when the list has none. A delay
// belongs to the record before it; consecutive delays add up, and one before any record has
// nothing to delay.
std::vector<Record> recordsOf(const QVector<quint8>& entries)
{
    std::vector<Record> records;
    bool delaySeen = false;
    for (int k = kCountSize; k + 1 < entries.size();) {
        const quint8 control = entries[k];
        if ((control & kDelayBits) == kDelayBits) {
            if (k + kDelayItemSize > entries.size())
                break;
            const quint32 n = quint32(entries[k + 2]) << 8 | entries[k + 3];
            if (!records.empty()) {
                Record& last = records.back();
                last.delay = std::min(kLongestDelay, last.delay + n);
                last.delayed = true;
            }
            delaySeen = true;
            k += kDelayItemSize;
            continue;
        }
        const quint8 code = entries[k + 1];
        if (control == 0 && code == 0)
            break;
        // A pair with no code presses nothing; the macro page skips it too.
        if (code != 0)
            records.push_back({(control & kReleaseBit) != 0, code, false, 0, delaySeen});
        k += 2;
    }
    return records;
}

// Records that no delay follows: the ones before the first delay and the last one carry delay 1,
// the bytes the mouse has always been sent for recordings; one directly followed by another after
// a delay carries none.
quint8 controlByte(const Record& r, bool last)
{
    const quint8 releaseBit = r.release ? kReleaseBit : 0;
    if (r.delayed)
        return releaseBit | quint8(std::min<quint32>(r.delay, kDelayBits));
    return releaseBit | (last || !r.afterFirstDelay ? 1 : 0);
}

} // namespace

std::optional<Image> fromActionList(const QVariantList& actions)
{
    const std::optional<QVector<quint8>> entries = entriesOf(actions);
    if (!entries)
        return std::nullopt;
    // The page's form holds 256 entries and its items must leave room for the end item: what
    // lies beyond is no part of the macro the page shows, so it is never sent either.
    std::vector<Record> records = recordsOf(entries->mid(0, kListEntries - kEndSize));

    int room = kImageSize - kCountSize - kEndSize;
    const auto fits = std::find_if(records.begin(), records.end(), [&room](const Record& r) {
        room -= r.size();
        return room < 0;
    });
    records.erase(fits, records.end());

    Image image;
    image.bytes[0] = (*entries)[1];
    image.bytes[1] = (*entries)[0];
    int p = kCountSize;
    for (size_t i = 0; i < records.size(); ++i) {
        const Record& r = records[i];
        image.bytes[p++] = controlByte(r, i + 1 == records.size());
        image.bytes[p++] = r.code;
        if (r.size() == 4) {
            image.bytes[p++] = quint8(r.delay & 0xFF);
            image.bytes[p++] = quint8(r.delay >> 8);
        }
    }
    // The end item: two zero bytes, already there.
    image.length = p + kEndSize;
    return image;
}

} // namespace macroimage
