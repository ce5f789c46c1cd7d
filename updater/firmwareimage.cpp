#include "updater/firmwareimage.h"

#include <array>

namespace fwimage
{

namespace
{

constexpr quint32 kPolynomial = 0x04C11DB7u;

constexpr std::array<quint32, 256> makeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 i = 0; i < 256; ++i) {
        quint32 c = i << 24;
        for (int bit = 0; bit < 8; ++bit)
            c = (c & 0x80000000u) ? (c << 1) ^ kPolynomial : c << 1;
        table[i] = c;
    }
    return table;
}

constexpr std::array<quint32, 256> kCrcTable = makeCrcTable();
static_assert(kCrcTable[1] == kPolynomial, "table entry 1 is the polynomial");

// Smallest plain images that still carry keyA / both keys once laid out as a file.
constexpr int kMinImageWithKeyA = kKeyAOffset + 1 - kTrailerSize - 1;
constexpr int kMinImageWithKeys = kKeyBOffset + 1 - kTrailerSize - 2;

void xorWithPattern(QByteArray& bytes, const Pattern& p)
{
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(quint8(bytes[i]) ^ p.bytes[i % 4]);
}

} // namespace

Pattern patternFromKeys(quint8 keyA, quint8 keyB)
{
    const quint8 mixed = quint8((keyA & 0xAA) | (keyB & 0x55));
    return Pattern{{keyA, keyB, mixed, quint8(~mixed)}};
}

QByteArray decodeSecrecy(const QByteArray& file)
{
    const quint8 keyA = file.size() > kKeyAOffset ? quint8(file[kKeyAOffset]) : 0;
    const quint8 keyB = file.size() > kKeyBOffset ? quint8(file[kKeyBOffset]) : 0;
    QByteArray image = file;
    if (image.size() > kKeyAOffset)
        image.remove(kKeyAOffset, 1);
    // keyB moved one place forward when keyA was taken out.
    if (image.size() > kKeyBOffset - 1)
        image.remove(kKeyBOffset - 1, 1);
    xorWithPattern(image, patternFromKeys(keyA, keyB));
    if (image.size() >= kTrailerSize)
        image.chop(kTrailerSize);
    return image;
}

QByteArray encodeSecrecy(const QByteArray& image, quint8 keyA, quint8 keyB, quint32 trailer)
{
    const bool hasKeyA = image.size() >= kMinImageWithKeyA;
    const bool hasKeyB = image.size() >= kMinImageWithKeys;
    if (!hasKeyA)
        keyA = 0;
    if (!hasKeyB)
        keyB = 0;
    QByteArray file = image;
    for (int shift = 24; shift >= 0; shift -= 8)
        file.append(char(trailer >> shift));
    xorWithPattern(file, patternFromKeys(keyA, keyB));
    if (hasKeyA)
        file.insert(kKeyAOffset, char(keyA));
    if (hasKeyB)
        file.insert(kKeyBOffset, char(keyB));
    return file;
}

quint32 crc32Mpeg2(const quint8* data, int length, quint32 crc)
{
    for (int i = 0; i < length; ++i)
        crc = (crc << 8) ^ kCrcTable[((crc >> 24) ^ data[i]) & 0xFF];
    return crc;
}

quint32 imageBlockCrc(const quint8* block)
{
    return crc32Mpeg2(block, kCrcBlockSize);
}

QByteArray takePadded(QByteArray& image, int size)
{
    QByteArray part = image.left(size);
    image.remove(0, part.size());
    if (part.size() < size)
        part.append(size - part.size(), kPadByte);
    return part;
}

} // namespace fwimage
