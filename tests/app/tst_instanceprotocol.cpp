// The records the single-instance guard shares between processes: the shared-memory block, the
// hello record on the local socket and the instance key. Expected bytes were worked out by hand
// (CRC-16/X-25, SHA-256) outside this code.

#include "app/instanceprotocol.h"

#include <QSet>
#include <QtTest>

class TestInstanceProtocol : public QObject
{
    Q_OBJECT
private slots:
    void blockBytesAreLittleEndianAtFixedOffsets();
    void blockChecksumCoversFirstSixteenBytes();
    void resetBlockHasNoPrimary();
    void helloBytesOnTheWire();
    void helloRoundTrips();
    void helloRejected_data();
    void helloRejected();
    void keyComparesUpToFirstZeroByte();
    void everyBitFlipAndTruncationIsRejected();
    void helloLengthBounds_data();
    void helloLengthBounds();
    void instanceKeyDerivation();
    void backoffStaysWithinEightToEighteenSeconds();
};

static QByteArray blockBytes(const InstanceBlock& block)
{
    QByteArray bytes(InstanceBlock::size, '\0');
    block.encode(bytes.data());
    return bytes;
}

void TestInstanceProtocol::blockBytesAreLittleEndianAtFixedOffsets()
{
    InstanceBlock block;
    block.primary = 1;
    block.extraCount = 0x01020304;
    block.primaryPid = 0x1122334455667788;
    sealBlock(block);
    QCOMPARE(blockBytes(block).toHex(), QByteArray("01"
                                                   "000000"
                                                   "04030201"
                                                   "8877665544332211"
                                                   "a22f"
                                                   "000000000000"));
    const InstanceBlock back = InstanceBlock::parse(blockBytes(block).constData());
    QCOMPARE(back.extraCount, 0x01020304u);
    QCOMPARE(back.primaryPid, Q_INT64_C(0x1122334455667788));
    QVERIFY(blockConsistent(back));
}

void TestInstanceProtocol::blockChecksumCoversFirstSixteenBytes()
{
    InstanceBlock block;
    block.primary = 1;
    block.extraCount = 0x01020304;
    block.primaryPid = 0x1122334455667788;
    QCOMPARE(blockCrc(block), quint16(0x2fa2));
    QVERIFY(!blockConsistent(block)); // checksum still 0

    sealBlock(block);
    block.pad1[5] = 0xEE; // past the checked bytes
    QVERIFY(blockConsistent(block));
    block.pad0[0] = 0x01; // padding inside them counts
    QVERIFY(!blockConsistent(block));
}

void TestInstanceProtocol::resetBlockHasNoPrimary()
{
    QCOMPARE(blockBytes(resetBlock()).toHex(), QByteArray("00"
                                                          "000000"
                                                          "00000000"
                                                          "ffffffffffffffff"
                                                          "cc28"
                                                          "000000000000"));
}

void TestInstanceProtocol::helloBytesOnTheWire()
{
    HelloRecord hello;
    hello.key = "K3y";
    hello.kind = ConnectKind::Resend;
    hello.instanceNumber = 5;
    QCOMPARE(encodeHello(hello).toHex(), QByteArray("000000000000000e" // record length
                                                    "00000003"
                                                    "4b3379"   // key
                                                    "03"       // kind
                                                    "00000005" // instance number
                                                    "a073"));  // checksum
}

void TestInstanceProtocol::helloRoundTrips()
{
    HelloRecord hello;
    hello.key = "sQm9Sa7c51XiQCVKqbckA_kBo8aLJkeHG_KgIB_e2vs=";
    hello.kind = ConnectKind::FreshStart;
    hello.instanceNumber = -7;
    const QByteArray frame = encodeHello(hello);
    QCOMPARE(parseHelloLength(frame.left(helloLengthSize)), qint64(frame.size() - helloLengthSize));
    const auto back = parseHello(frame.mid(helloLengthSize), QString::fromLatin1(hello.key));
    QVERIFY(back);
    QCOMPARE(back->kind, ConnectKind::FreshStart);
    QCOMPARE(back->instanceNumber, -7);
}

static QByteArray record(const QByteArray& key, bool goodChecksum = true)
{
    HelloRecord hello;
    hello.key = key;
    hello.kind = ConnectKind::Resend;
    QByteArray body = encodeHello(hello).mid(helloLengthSize);
    if (!goodChecksum)
        body[body.size() - 1] = char(body.at(body.size() - 1) ^ 0x01);
    return body;
}

void TestInstanceProtocol::helloRejected_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("other key") << record("other");
    QTest::newRow("key prefix only") << record("KE");
    QTest::newRow("wrong checksum") << record("KEY", false);
    QTest::newRow("truncated") << record("KEY").left(12);
    QTest::newRow("trailing byte") << record("KEY") + 'x';
    // Key length field claims more bytes than the record holds.
    QTest::newRow("key overruns record") << QByteArray::fromHex("00000fff4b45590300000000ffff");
    QTest::newRow("null key") << QByteArray::fromHex("ffffffff0300000000") + QByteArray(2, '\0');
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("oversized") << record("KEY") + QByteArray(int(helloMaxLength), 'x');
}

void TestInstanceProtocol::helloRejected()
{
    QFETCH(QByteArray, body);
    QVERIFY(!parseHello(body, QStringLiteral("KEY")));
}

void TestInstanceProtocol::keyComparesUpToFirstZeroByte()
{
    QVERIFY(parseHello(record(QByteArray("KEY\0junk", 8)), QStringLiteral("KEY")));
    QVERIFY(!parseHello(record(QByteArray("KE\0Y", 4)), QStringLiteral("KEY")));
}

void TestInstanceProtocol::everyBitFlipAndTruncationIsRejected()
{
    const QString key = QStringLiteral("sQm9Sa7c51XiQCVKqbckA_kBo8aLJkeHG_KgIB_e2vs=");
    const QByteArray good = record(key.toLatin1());
    QVERIFY(parseHello(good, key));
    for (int bit = 0; bit < good.size() * 8; ++bit) {
        QByteArray damaged = good;
        damaged[bit / 8] = char(damaged.at(bit / 8) ^ (1 << (bit % 8)));
        QVERIFY2(!parseHello(damaged, key), QByteArray::number(bit));
    }
    for (int size = 0; size < good.size(); ++size)
        QVERIFY2(!parseHello(good.left(size), key), QByteArray::number(size));
}

void TestInstanceProtocol::helloLengthBounds_data()
{
    QTest::addColumn<QByteArray>("prefix");
    QTest::addColumn<qint64>("length");
    QTest::newRow("typical") << QByteArray::fromHex("000000000000003b") << qint64(59);
    QTest::newRow("smallest") << QByteArray::fromHex("000000000000000b") << qint64(11);
    QTest::newRow("too small") << QByteArray::fromHex("000000000000000a") << qint64(-1);
    QTest::newRow("zero") << QByteArray::fromHex("0000000000000000") << qint64(-1);
    QTest::newRow("negative") << QByteArray::fromHex("ffffffffffffffc5") << qint64(-1);
    QTest::newRow("largest") << QByteArray::fromHex("0000000000001000") << qint64(4096);
    QTest::newRow("too large") << QByteArray::fromHex("0000000000001001") << qint64(-1);
    QTest::newRow("huge") << QByteArray::fromHex("7fffffffffffffff") << qint64(-1);
    QTest::newRow("short prefix") << QByteArray::fromHex("00000000003b") << qint64(-1);
}

void TestInstanceProtocol::helloLengthBounds()
{
    QFETCH(QByteArray, prefix);
    QFETCH(qint64, length);
    QCOMPARE(parseHelloLength(prefix), length);
}

void TestInstanceProtocol::instanceKeyDerivation()
{
    InstanceKeyInputs in;
    in.applicationName = QStringLiteral("quillex");
    in.applicationFilePath = QStringLiteral("/opt/Quillex/quillex");
    in.perUser = true;
    in.userName = QStringLiteral("alice");
    in.homeLocations = QStringList{QStringLiteral("/home/alice")};
    // The path enters lower-cased.
    QCOMPARE(deriveInstanceKey(in), QStringLiteral("HI7MXLbHHtkhgI1Qzy4QdnUuZl1zBxyuPnuDuZ_GpGE="));

    in.userName.clear(); // the OS could not tell: the home locations stand in
    QCOMPARE(deriveInstanceKey(in), QStringLiteral("aedO9gUFCR8UW6tOcuCEq3r9t9dTayVfcP7Lk5ihOw4="));

    in.userName = QStringLiteral("user0"); // its digest has "/" in Base64
    const QString key = deriveInstanceKey(in);
    QCOMPARE(key, QStringLiteral("sQm9Sa7c51XiQCVKqbckA_kBo8aLJkeHG_KgIB_e2vs="));

    in.perUser = false;
    QVERIFY(deriveInstanceKey(in) != key);
}

void TestInstanceProtocol::backoffStaysWithinEightToEighteenSeconds()
{
    QSet<int> seen;
    for (quint32 seed = 0; seed < 5000; ++seed) {
        const int seconds = consistencyBackoffSeconds(seed * 2654435761u);
        QVERIFY2(seconds >= 8 && seconds <= 18, QByteArray::number(seconds));
        seen.insert(seconds);
    }
    QVERIFY(seen.contains(8) && seen.contains(17)); // spread over the whole range
}

QTEST_APPLESS_MAIN(TestInstanceProtocol)
#include "tst_instanceprotocol.moc"
