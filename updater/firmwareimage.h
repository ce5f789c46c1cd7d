#pragma once

#include <QByteArray>
#include <QtGlobal>

// The first image file is stored scrambled; these pure functions turn it into the plain image and
// checksum what the boot loader reports back. No I/O here: the caller reads the file.
namespace fwimage
{

// Bytes the boot loader verifies per CRC answer; positions past the image's end count as 0xFF.
constexpr int kCrcBlockSize = 2048;
constexpr char kPadByte = char(0xFF);

// Where the two key bytes sit in the file, and how many trailer bytes end it.
constexpr int kKeyAOffset = 9;
constexpr int kKeyBOffset = 24;
constexpr int kTrailerSize = 4;

struct Pattern {
    quint8 bytes[4];
};

// The 4-byte XOR pattern derived from the two key bytes of a file.
Pattern patternFromKeys(quint8 keyA, quint8 keyB);

// Unscrambles a whole first-image file into the plain image.
QByteArray decodeSecrecy(const QByteArray& file);

// Inverse of decodeSecrecy: lays a plain image out as a file with the given keys and trailer.
// Images shorter than 19 bytes cannot hold both keys; the keys that do not fit are left out
// (and count as 0), exactly as the reader treats such short files.
QByteArray encodeSecrecy(const QByteArray& image, quint8 keyA, quint8 keyB, quint32 trailer);

// CRC-32/MPEG-2 (poly 0x04C11DB7, init 0xFFFFFFFF, MSB first, no final XOR), continued from crc.
quint32 crc32Mpeg2(const quint8* data, int length, quint32 crc = 0xFFFFFFFFu);

// CRC of one 2048-byte block, the value the boot loader answers for it.
quint32 imageBlockCrc(const quint8* block);

// Removes the next `size` bytes from the front of image and returns them, padded with 0xFF.
QByteArray takePadded(QByteArray& image, int size);

} // namespace fwimage
