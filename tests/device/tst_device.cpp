#include "device/discovery.h"
#include "device/frames.h"
#include "device/hid_thread.h"

#include <QMutex>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QtTest>

// Everything the device link writes to the debug channel, and every forwarded notification.
namespace
{
QMutex recordLock;
QStringList debugLines;
QList<QList<int>> forwarded;

void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text)
{
    QMutexLocker lock(&recordLock);
    debugLines.append(text);
}

QStringList takeDebugLines()
{
    QMutexLocker lock(&recordLock);
    return std::exchange(debugLines, {});
}

template <typename Bytes> QString hex(const Bytes& bytes)
{
    QStringList parts;
    for (auto b : bytes)
        parts.append(QStringLiteral("%1").arg(int(b), 2, 16, QLatin1Char('0')).toUpper());
    return parts.join(QLatin1Char(' '));
}
} // namespace

void forwardDeviceEvent(Widget*, quint8 byte0, quint8 byte1, quint8 byte2, quint8 byte3)
{
    QMutexLocker lock(&recordLock);
    forwarded.append({byte0, byte1, byte2, byte3});
}

class TestDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { qInstallMessageHandler(recordMessage); }
    void init()
    {
        takeDebugLines();
        QMutexLocker lock(&recordLock);
        forwarded.clear();
    }

    // --- Frame layouts, without a device ---

    void commandFrames_data()
    {
        QTest::addColumn<QString>("frame");
        QTest::addColumn<QString>("expected");
        using namespace frames;
        QTest::newRow("read table 0")
            << hex(readTable0Frame().encode()) << "00 82 00 00 00 00 00 00 00";
        QTest::newRow("read table 1 from 63")
            << hex(readTable1Frame(63).encode()) << "00 83 3F 3F 00 00 00 00 00";
        QTest::newRow("short write") << hex(shortWriteFrame(3, 9, 2, 0x20, 0x03, 0, 0).encode())
                                     << "00 03 09 02 20 03 00 00 00";
        QTest::newRow("macro 300 bytes")
            << hex(macroUploadFrame(7, 300).encode()) << "00 04 07 2C 01 00 00 00 00";
        QTest::newRow("pair block read")
            << hex(pairBlockReadFrame().encode()) << "00 8E 00 00 00 00 00 00 00";
        QTest::newRow("pair block write")
            << hex(pairBlockWriteFrame().encode()) << "00 0E 00 00 00 00 00 00 00";
        QTest::newRow("pair status")
            << hex(pairStatusFrame().encode()) << "00 9E 00 00 00 00 00 00 00";
        QTest::newRow("pair start")
            << hex(pairRunFrame(true).encode()) << "00 1E 00 00 01 00 00 00 00";
        QTest::newRow("pair stop")
            << hex(pairRunFrame(false).encode()) << "00 1E 00 00 0F 00 00 00 00";
    }
    void commandFrames()
    {
        QFETCH(QString, frame);
        QFETCH(QString, expected);
        QCOMPARE(frame, expected);
    }

    void answersAndReports()
    {
        using namespace frames;
        std::array<quint8, 64> raw{};
        for (int i = 0; i < 64; ++i)
            raw[i] = quint8(0x80 + i);
        QVERIFY(!AnswerBlock::parse(raw.data(), 63));
        const auto block = AnswerBlock::parse(raw.data(), 64);
        QVERIFY(block);
        QCOMPARE(block->code, quint8(0x80));
        QCOMPARE(block->data.back(), quint8(0x80 + 63));
        // The receiver gets the mouse's 63 data bytes and one 0.
        const auto payload = pairingPayload(*block);
        QCOMPARE(payload[0], quint8(0x81));
        QCOMPARE(payload[62], quint8(0x80 + 63));
        QCOMPARE(payload[63], quint8(0));

        const quint8 status[9] = {0, 0x9E, 1, 0, 0, 0, 0, 0, 0};
        QVERIFY(!PairStatusAnswer::parse(status, 8));
        QVERIFY(PairStatusAnswer::parse(status, 9)->finished());
        const quint8 pending[9] = {0, 0x9E, 0, 1, 0, 0, 0, 0, 0};
        QVERIFY(!PairStatusAnswer::parse(pending, 9)->finished());

        const quint8 event[6] = {0, 0x11, 0x64, 0, 0, 9};
        QVERIFY(!DeviceEvent::parse(event, 4));
        QVERIFY(!DeviceEvent::parse(event, 6));
        const auto e = DeviceEvent::parse(event, 5);
        QCOMPARE(hex(std::array<quint8, 4>{e->byte0, e->byte1, e->byte2, e->byte3}),
                 QStringLiteral("11 64 00 00"));

        // A short block is padded with zeros after its data bytes.
        const quint8 data[3] = {1, 2, 3};
        const auto report = outputReport(data, 3, 64);
        QCOMPARE(int(report.size()), 65);
        QCOMPARE(hex(std::vector<quint8>(report.begin(), report.begin() + 6)),
                 QStringLiteral("00 01 02 03 00 00"));
        QCOMPARE(std::count(report.begin(), report.end(), 0), 62);

        QCOMPARE(chunkSize(20, 64), 20);
        QCOMPARE(chunkSize(128, 64), 64);
        QCOMPARE(macroTransferLength(20), 64);
        QCOMPARE(macroTransferLength(64), 64);
        QCOMPARE(macroTransferLength(130), 192);
        QCOMPARE(macroTransferLength(256), 256);
    }

    // --- The scene's side ---

    // The pages call the setting write with plain numbers; they must arrive as bytes.
    void qmlCallsSettingWrite()
    {
        Hid_Thread hid;
        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("hid"), &hid);
        QQmlExpression call(engine.rootContext(), nullptr,
                            QStringLiteral("hid.hid_Send8ByteData(3, 13, 2, 0x80, 0x0C, 0, 0); "
                                           "hid.hid_GetDeviceStrCount()"));
        const QVariant count = call.evaluate();
        QVERIFY2(!call.hasError(), qPrintable(call.error().toString()));
        QCOMPARE(count.toInt(), 0);
        QCOMPARE(takeDebugLines().value(0), QStringLiteral("3 13 2 128 12 0 0"));
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_device.moc"
