// libFuzzer target: a first-image file unscrambled as the updater does it, and the blocks the
// boot-loader and CH32 steps plan for the result. No planned block starts past the image's end,
// every image byte is sent exactly once, and no address wraps.
#include "tests/fuzz/fuzzcheck.h"
#include "updater/bootloaderprotocol.h"
#include "updater/ch32protocol.h"
#include "updater/firmwareimage.h"
#include "updater/updatejob.h"

#include <cstring>

static void planBootLoader(const QByteArray& plain)
{
    const int size = plain.size();
    const int blocks = bootloader::dataBlockCount(size);
    FUZZ_REQUIRE(blocks >= 1 && blocks <= bootloader::kMaxBlocks);
    FUZZ_REQUIRE((blocks - 1) * bootloader::kBlockSize < size &&
                 blocks * bootloader::kBlockSize >= size);

    QByteArray image = plain;
    QByteArray sent;
    bootloader::Command cmd{};
    for (int b = 0; b < blocks; ++b) {
        bootloader::setBlockAddress(cmd, b);
        FUZZ_REQUIRE(cmd[bootloader::FieldAddress] == bootloader::kFlashBase + 4 * b);
        for (int j = 0; j < bootloader::kFramesPerBlock; ++j) {
            const bootloader::DataFrame frame = bootloader::takeDataFrame(image, j);
            sent.append(reinterpret_cast<const char*>(frame.payload), frame.length);
        }
    }
    FUZZ_REQUIRE(image.isEmpty());
    FUZZ_REQUIRE(sent.left(size) == plain);
    FUZZ_REQUIRE(sent.mid(size).count(fwimage::kPadByte) == sent.size() - size);

    const int crcBlocks = bootloader::crcBlockCount(size);
    FUZZ_REQUIRE(crcBlocks >= 1 && (crcBlocks - 1) * fwimage::kCrcBlockSize < size &&
                 crcBlocks * fwimage::kCrcBlockSize >= size);
    image = plain;
    for (int i = 0; i < crcBlocks; ++i) {
        const QByteArray block = fwimage::takePadded(image, fwimage::kCrcBlockSize);
        FUZZ_REQUIRE(block.size() == fwimage::kCrcBlockSize);
        const quint32 crc =
            fwimage::imageBlockCrc(reinterpret_cast<const quint8*>(block.constData()));
        FUZZ_REQUIRE(crc == fwimage::crc32Mpeg2(reinterpret_cast<const quint8*>(block.constData()),
                                                block.size()));
    }
    FUZZ_REQUIRE(image.isEmpty());
}

static void planCh32(const QByteArray& plain)
{
    const int size = plain.size();
    const int n = ch32::chunkCount(size);
    FUZZ_REQUIRE(n >= 1 && (n - 1) * ch32::kChunkSize < size && n * ch32::kChunkSize >= size);
    QByteArray image = plain;
    QByteArray sent;
    for (int i = 0; i < n; ++i) {
        const QByteArray chunk = image.left(ch32::kChunkSize);
        const int offset = ch32::kChunkSize * i;
        const ch32::Frame frame = ch32::chunkFrame(ch32::Write, offset, chunk);
        const ch32::Frame read = ch32::parseFrame(reinterpret_cast<const quint8*>(&frame));
        FUZZ_REQUIRE((read.offsetLo | read.offsetHi << 8) == offset);
        FUZZ_REQUIRE(read.length == chunk.size() && read.length >= 1);
        sent.append(reinterpret_cast<const char*>(read.data), read.length);
        image.remove(0, chunk.size());
        const int progress = ch32::writeProgress(i, n, 100);
        FUZZ_REQUIRE(progress >= 0 && progress <= ch32::verifyProgress(i, n, 100) &&
                     ch32::verifyProgress(i, n, 100) < 100);
    }
    FUZZ_REQUIRE(image.isEmpty() && sent == plain);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));
    const QByteArray plain = fwimage::decodeSecrecy(file);
    FUZZ_REQUIRE(plain.size() <= file.size());

    // Scrambling with the file's own keys and trailer gives the plain image back.
    const quint8 keyA = size > size_t(fwimage::kKeyAOffset) ? data[fwimage::kKeyAOffset] : 0;
    const quint8 keyB = size > size_t(fwimage::kKeyBOffset) ? data[fwimage::kKeyBOffset] : 0;
    FUZZ_REQUIRE(fwimage::decodeSecrecy(fwimage::encodeSecrecy(plain, keyA, keyB, 0)) == plain);

    if (updjob::firstImageSizeOk(updjob::FirstImageKind::BootLoader, plain.size()))
        planBootLoader(plain);
    if (updjob::firstImageSizeOk(updjob::FirstImageKind::Ch32, plain.size()))
        planCh32(plain);
    return 0;
}
