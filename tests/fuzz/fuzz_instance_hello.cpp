// libFuzzer target: what a later start sends the primary over the local socket (length prefix and
// hello record) and the shared-memory block that names the primary.
#include "app/instanceprotocol.h"
#include "tests/fuzz/fuzzcheck.h"

static const QString kInstanceKey = QStringLiteral("fuzz-instance-key");

static void checkRecord(const QByteArray& record)
{
    const std::optional<HelloRecord> hello = parseHello(record, kInstanceKey);
    if (!hello)
        return;
    FUZZ_REQUIRE(record.size() >= helloMinLength && record.size() <= helloMaxLength);
    FUZZ_REQUIRE(hello->key.size() <= helloMaxLength);
    // What was accepted must survive being sent again.
    const QByteArray frame = encodeHello(*hello);
    FUZZ_REQUIRE(parseHelloLength(frame.left(helloLengthSize)) == frame.size() - helloLengthSize);
    const std::optional<HelloRecord> again = parseHello(frame.mid(helloLengthSize), kInstanceKey);
    FUZZ_REQUIRE(again && again->key == hello->key && again->kind == hello->kind &&
                 again->instanceNumber == hello->instanceNumber);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), int(size));

    if (input.size() >= InstanceBlock::size) {
        InstanceBlock block = InstanceBlock::parse(input.constData());
        if (blockConsistent(block))
            FUZZ_REQUIRE(block.checksum == blockCrc(block));
        sealBlock(block);
        FUZZ_REQUIRE(blockConsistent(block));
    }

    // As the primary reads a peer: 8 length bytes, then exactly that many record bytes.
    const qint64 length = parseHelloLength(input.left(helloLengthSize));
    FUZZ_REQUIRE(length == -1 || (length >= helloMinLength && length <= helloMaxLength));
    if (length < 0 || input.size() < helloLengthSize + length)
        return 0;
    QByteArray record = input.mid(helloLengthSize, int(length));
    checkRecord(record);
    // The same record with its checksum made to match, so the fuzzer gets past it.
    const quint16 checksum = qChecksum(record.constData(), uint(record.size() - 2));
    record[record.size() - 2] = char(checksum >> 8);
    record[record.size() - 1] = char(checksum);
    checkRecord(record);
    return 0;
}
