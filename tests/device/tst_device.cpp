#include "tests/device/virtualbus.h"

#include "device/discovery.h"
#include "device/frames.h"
#include "device/hid_thread.h"

#include <QElapsedTimer>
#include <QMutex>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlExpression>
#include <QSettings>
#include <QTemporaryDir>
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

int forwardedCount()
{
    QMutexLocker lock(&recordLock);
    return forwarded.size();
}

QStringList takeDebugLines()
{
    QMutexLocker lock(&recordLock);
    return std::exchange(debugLines, {});
}

const QString kShippedCatalog = QStringLiteral(QUILLEX_SOURCE_DIR "/device/DevInfo.ini");
QString testCatalog(const char* name)
{
    return QStringLiteral(QUILLEX_SOURCE_DIR "/tests/device/catalogs/") + QLatin1String(name);
}

// Publishes the shipped catalog's view of the virtual bus and addresses entry `index`.
void discover(Hid_Thread& hid, int index)
{
    hid.publishDevices(discoverDevices(kShippedCatalog));
    hid.curDevIndex = index;
    trace().clear();
    takeDebugLines();
}

QStringList types(const QList<DevInfo>& list)
{
    QStringList out;
    for (const DevInfo& d : list)
        out.append(d.type);
    return out;
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
        sim::inproc::reset();
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

    // Parsers refuse what is too short or the wrong size; whole answers are checked on the wire.
    void parsersRejectShortInput()
    {
        using namespace frames;
        const quint8 raw[64] = {0x9E, 0, 1};
        QVERIFY(!AnswerBlock::parse(raw, 63));
        QVERIFY(!AnswerBlock::parse(nullptr, 64));
        QVERIFY(!PairStatusAnswer::parse(raw, 8));
        QVERIFY(!DeviceEvent::parse(raw, 4));
        QVERIFY(!DeviceEvent::parse(raw, 6));
        QVERIFY(DeviceEvent::parse(raw, 5));
    }

    // --- Discovery ---

    void shippedCatalog()
    {
        QSettings ini(kShippedCatalog, QSettings::IniFormat);
        ini.setIniCodec("UTF-8");
        QCOMPARE(ini.value("common/title").toString(), QStringLiteral("NORVIK GAMING Quillex"));
        QCOMPARE(ini.value("common/deviceStrId").toStringList(),
                 (QStringList{"NORVIK GAMING Quillex", ""}));
        QCOMPARE(ini.value("common/reportID").toInt(), 0);
        const QStringList versions{"0104", "0104", "0100"};
        const QStringList kinds{"M8K", "D8K", "D1K"};
        const quint16 pids[] = {0xC791, 0xC793, 0xC792};
        const QList<DevInfo> entries = discoverDevices(kShippedCatalog);
        QCOMPARE(entries.size(), 3);
        for (int i = 0; i < 3; ++i) {
            const DevInfo& d = entries[i];
            QCOMPARE(d.type, "NORVIK GAMING Quillex_" + kinds[i]);
            QCOMPARE(ini.value(QString::number(i) + "/fwVersion").toString(), versions[i]);
            QCOMPARE(d.vid, quint16(0x093A));
            QCOMPARE(d.pid, pids[i]);
            QCOMPARE(d.usagePage, quint16(0xFF10));
            QCOMPARE(d.usage, quint16(1));
            QCOMPARE(d.usagePage2, quint16(0xFF11));
            QCOMPARE(d.usage2, quint16(1));
            QCOMPARE(d.reportLength, 64);
            QVERIFY(d.commandPath.isEmpty() && d.eventPath.isEmpty());
        }
    }

    void discoveryListsConnectedEntriesInCatalogOrder()
    {
        Hid_Thread hid;
        plug("receiver8k");
        hid.publishDevices(discoverDevices(kShippedCatalog));
        QCOMPARE(types(hid.onlineList), QStringList{"NORVIK GAMING Quillex_D8K"});
        QCOMPARE(hid.hid_GetDeviceStrCount().toInt(), 1);
        QCOMPARE(hid.devList.size(), 3);
        QCOMPARE(hid.devList[1].releaseNumber, quint16(0x0104));
        QVERIFY(hid.devList[1].eventPath.endsWith("/event"));
        // Enumeration only: discovery never opens a device.
        for (const sim::TraceEntry& e : trace().snapshot())
            QCOMPARE(QString::fromStdString(e.op), QStringLiteral("enumerate"));

        plug("mouse"); // enumerated after the receiver; the catalog decides the order
        hid.publishDevices(discoverDevices(kShippedCatalog));
        QCOMPARE(types(hid.onlineList),
                 (QStringList{"NORVIK GAMING Quillex_M8K", "NORVIK GAMING Quillex_D8K"}));
        QCOMPARE(hid.hid_GetDeviceStrCount().toInt(), 2);
        QVERIFY(!takeDebugLines().contains("Device DisConnect"));
    }

    void discoveryNeedsTheCommandInterface()
    {
        Hid_Thread hid;
        plug("mouse");
        plug("receiver8k");
        fault("mouse", "no-event");
        fault("receiver8k", "no-command");
        hid.publishDevices(discoverDevices(kShippedCatalog));
        QCOMPARE(types(hid.onlineList), QStringList{"NORVIK GAMING Quillex_M8K"});
        QVERIFY(hid.onlineList[0].eventPath.isEmpty());
        QVERIFY(hid.devList[1].commandPath.isEmpty());
        QVERIFY(!hid.devList[1].eventPath.isEmpty());
    }

    void discoveryTakesTheLastMatchingInterface()
    {
        Hid_Thread hid;
        plugProbe(true);
        hid.publishDevices(discoverDevices(kShippedCatalog));
        QVERIFY2(hid.devList[0].commandPath.endsWith("/cmd2"),
                 qPrintable(hid.devList[0].commandPath));
    }

    void discoverySurvivesOddCatalogs()
    {
        Hid_Thread hid;
        plug("mouse");
        plug("receiver8k");
        hid.publishDevices(discoverDevices(testCatalog("odd.ini")));
        QCOMPARE(hid.devList.size(), 2);
        QCOMPARE(hid.devList[0].reportLength, 32);
        QCOMPARE(hid.devList[1].vid, quint16(0));
        // Vendor ID 0 would be hidapi's wildcard: that entry is never enumerated.
        QCOMPARE(types(hid.onlineList), QStringList{"NORVIK GAMING Quillex_M8K"});
        QCOMPARE(entries("enumerate").size(), 1);
    }

    void discoveryRereadsTheCatalogEveryRun()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("DevInfo.ini");
        QVERIFY(QFile::copy(testCatalog("empty.ini"), path));
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        plug("mouse");
        Hid_Thread hid;
        hid.publishDevices(discoverDevices(path));
        QVERIFY(hid.devList.isEmpty());
        QVERIFY(hid.onlineList.isEmpty());
        QCOMPARE(takeDebugLines(), QStringList{"Device DisConnect"});

        QFile::remove(path);
        QVERIFY(QFile::copy(kShippedCatalog, path));
        hid.publishDevices(discoverDevices(path));
        QCOMPARE(hid.devList.size(), 3);
        QCOMPARE(hid.onlineList.size(), 1);
        QVERIFY(takeDebugLines().isEmpty());
    }

    // --- Commands on the wire ---

    void settingWrites()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        hid.hid_Send8ByteData(3, 9, 2, 0x20, 0x03, 0, 0);
        QCOMPARE(wire(), QStringList{"send-feature 00 03 09 02 20 03 00 00 00"});
        QCOMPARE(takeDebugLines(), QStringList{"3 9 2 32 3 0 0"});
        QCOMPARE(memory("mouse", "table1").mid(9, 2).toHex(), QByteArray("2003"));
        verifyOpenPerTransfer();
        QCOMPARE(int(hid.isReady), 1);

        trace().clear();
        hid.hid_Send8ByteData(1, 0, 0, 2, 0, 0, 0);
        QCOMPARE(wire(), QStringList{"send-feature 00 01 00 00 02 00 00 00 00"});
        QCOMPARE(memory("mouse", "profile").toHex(), QByteArray("02"));
    }

    void tableReads()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        quint8 table0[64] = {};
        hid.hid_GetApData(table0, true, 0);
        QCOMPARE(wire().value(0), QStringLiteral("send-feature 00 82 00 00 00 00 00 00 00"));
        const auto reads = entries("read");
        QCOMPARE(reads.size(), 1);
        QCOMPARE(reads[0].timeoutMs, 500);
        QCOMPARE(reads[0].result, 64);
        QCOMPARE(wire().size(), 2);
        QCOMPARE(table0[0], quint8(0x82));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(table0) + 1, 63),
                 memory("mouse", "table0").left(63));
        verifyOpenPerTransfer();

        trace().clear();
        quint8 table1[64] = {};
        hid.hid_GetApData(table1, false, 63);
        QCOMPARE(wire().value(0), QStringLiteral("send-feature 00 83 3F 3F 00 00 00 00 00"));
        QCOMPARE(table1[0], quint8(0x83));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(table1) + 1, 63),
                 memory("mouse", "table1").mid(63, 63));
    }

    void macroUploads_data()
    {
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("frame");
        QTest::addColumn<int>("reports");
        QTest::newRow("20 bytes") << 20 << "send-feature 00 04 05 14 00 00 00 00 00" << 1;
        QTest::newRow("64 bytes") << 64 << "send-feature 00 04 05 40 00 00 00 00 00" << 1;
        QTest::newRow("128 bytes") << 128 << "send-feature 00 04 05 80 00 00 00 00 00" << 2;
        QTest::newRow("130 bytes") << 130 << "send-feature 00 04 05 82 00 00 00 00 00" << 3;
    }
    void macroUploads()
    {
        QFETCH(int, length);
        QFETCH(QString, frame);
        QFETCH(int, reports);
        Hid_Thread hid;
        ProbeDevice* probe = plugProbe();
        discover(hid, 0);
        quint8 image[256];
        for (int i = 0; i < 256; ++i)
            image[i] = quint8(i < length ? 0xC0 ^ i : 0);
        hid.hid_04H_SendMacroData(5, quint32(length), image);

        QCOMPARE(wire().value(0), frame);
        const auto writes = entries("write");
        QCOMPARE(writes.size(), reports);
        for (int r = 0; r < reports; ++r) {
            QCOMPARE(int(writes[r].bytes.size()), 65);
            QCOMPARE(writes[r].bytes[0], quint8(0));
            QVERIFY(std::equal(image + 64 * r, image + 64 * r + 64, writes[r].bytes.begin() + 1));
        }
        QCOMPARE(wire().size(), 1 + reports);
        QCOMPARE(memory("mouse", "macro.0.5"),
                 QByteArray(reinterpret_cast<const char*>(image), length));
        // Output reports are paced 20 ms apart.
        const auto times = probe->outputTimes();
        for (size_t r = 1; r < times.size(); ++r)
            QVERIFY(times[r] - times[r - 1] >= std::chrono::milliseconds(20));
        verifyOpenPerTransfer();
    }

    void pairingBlockTravelsFromMouseToReceiver()
    {
        Hid_Thread hid;
        plug("mouse");
        plug("receiver1k");
        discover(hid, 0);
        quint8 block[64] = {};
        QVERIFY(hid.hid_ioPairOnline(true, block));
        QCOMPARE(wire().value(0), QStringLiteral("send-feature 00 8E 00 00 00 00 00 00 00"));
        QCOMPARE(block[0], quint8(0x8E));
        QCOMPARE(QByteArray(reinterpret_cast<char*>(block) + 1, 63),
                 memory("mouse", "pairing").left(63));

        trace().clear();
        hid.curDevIndex = 2;
        auto payload = frames::pairingPayload(*frames::AnswerBlock::parse(block, 64));
        QVERIFY(hid.hid_ioPairOnline(false, payload.data()));
        const QStringList sent = wire();
        QCOMPARE(sent.size(), 2);
        QCOMPARE(sent[0], QStringLiteral("send-feature 00 0E 00 00 00 00 00 00 00"));
        QCOMPARE(entries("write")[0].bytes.size(), size_t(65));
        QCOMPARE(memory("receiver1k", "pairing"),
                 QByteArray(reinterpret_cast<const char*>(payload.data()), 64));
    }

    void pairingModeAndStatus()
    {
        Hid_Thread hid;
        plug("receiver8k");
        discover(hid, 1);
        QVERIFY(hid.hid_runPairt(false, true));
        QCOMPARE(wire(), QStringList{"send-feature 00 1E 00 00 01 00 00 00 00"});
        int polls = 0;
        while (!hid.hid_runPairt(true, false) && polls < 10)
            ++polls;
        QVERIFY(polls > 0 && polls < 10);
        QCOMPARE(entries("send-feature").last().bytes,
                 (std::vector<uint8_t>{0, 0x9E, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(entries("get-feature").size(), polls + 1);
    }

    // --- Time-outs, failures and a busy transport ---

    // An answer counts only when it is there in time and echoes the command: anything else
    // fails the read, leaves the caller's buffer alone and frees the transport.
    void answersThatDoNotCountFailTheRead_data()
    {
        QTest::addColumn<QString>("provoke");
        QTest::newRow("time-out") << "no-answer";
        QTest::newRow("no echo of the command") << "garbage";
    }
    void answersThatDoNotCountFailTheRead()
    {
        QFETCH(QString, provoke);
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        QCOMPARE(sim::inproc::control({"fault", "mouse", provoke.toStdString(), "instant"}).status,
                 0);
        quint8 buf[64];
        std::fill(buf, buf + 64, 0xAA);
        QVERIFY(!hid.hid_ioPairOnline(true, buf));
        QCOMPARE(std::count(buf, buf + 64, 0xAA), 64);
        hid.hid_GetApData(buf, true, 0);
        QCOMPARE(std::count(buf, buf + 64, 0xAA), 64);
        QCOMPARE(int(hid.isReady), 1);

        // The pairing status query: no answer is no news of a finished pairing.
        sim::inproc::control({"fault", "mouse", "get"});
        QVERIFY(!hid.hid_runPairt(true, false));
        QCOMPARE(int(hid.isReady), 1);
    }

    void failedTransfersEndTheExchange()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        fault("mouse", "read");
        quint8 buf[64];
        std::fill(buf, buf + 64, 0xAA);
        hid.hid_GetApData(buf, true, 0);
        QCOMPARE(std::count(buf, buf + 64, 0xAA), 64); // untouched
        QCOMPARE(int(hid.isReady), 1);
        verifyOpenPerTransfer();

        sim::inproc::control({"fault", "mouse", "clear"});
        fault("mouse", "send");
        trace().clear();
        QVERIFY(!hid.hid_ioPairOnline(true, buf));
        QCOMPARE(wire().size(), 1); // the refused feature report, nothing after it
        QCOMPARE(int(hid.isReady), 1);
        verifyOpenPerTransfer();
    }

    void failedOpenForgetsThePathUntilDiscovery()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        fault("mouse", "open");
        hid.hid_Send8ByteData(2, 1, 1, 3, 0, 0, 0);
        QVERIFY(wire().isEmpty());
        QVERIFY(hid.devList[0].commandPath.isEmpty());

        sim::inproc::control({"fault", "mouse", "clear"});
        trace().clear();
        hid.hid_Send8ByteData(2, 1, 1, 3, 0, 0, 0);
        QVERIFY(trace().snapshot().empty()); // not even an open
        QCOMPARE(int(hid.isReady), 1);

        discover(hid, 0);
        hid.hid_Send8ByteData(2, 1, 1, 3, 0, 0, 0);
        QCOMPARE(wire(), QStringList{"send-feature 00 02 01 01 03 00 00 00 00"});
    }

    void noEntryMeansNoTraffic_data()
    {
        QTest::addColumn<int>("index");
        QTest::newRow("none selected") << 255;
        QTest::newRow("past the catalog") << 3;
        QTest::newRow("negative") << -1;
    }
    void noEntryMeansNoTraffic()
    {
        QFETCH(int, index);
        Hid_Thread hid;
        plug("mouse");
        discover(hid, index);
        quint8 buf[256] = {};
        hid.hid_GetApData(buf, true, 0);
        hid.hid_Send8ByteData(3, 9, 2, 0x20, 0x03, 0, 0);
        hid.hid_04H_SendMacroData(0, 20, buf);
        QVERIFY(!hid.hid_ioPairOnline(true, buf));
        QVERIFY(!hid.hid_ioPairOnline(false, buf));
        QVERIFY(!hid.hid_runPairt(false, true));
        QVERIFY(trace().snapshot().empty());
        QCOMPARE(int(hid.isReady), 1);
    }

    // A command entered while another one runs (the write lets the event loop run) waits
    // 255 x 8 ms and is dropped; the first one completes.
    void busyTransportDropsTheCommand()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        quint8 nested[64];
        std::fill(nested, nested + 64, 0xAA);
        QElapsedTimer clock;
        QMetaObject::invokeMethod(
            this, [&] { hid.hid_GetApData(nested, true, 0); }, Qt::QueuedConnection);
        clock.start();
        hid.hid_Send8ByteData(3, 9, 2, 0x20, 0x03, 0, 0);
        QVERIFY(clock.elapsed() >= 255 * 8);
        QCOMPARE(wire(), QStringList{"send-feature 00 03 09 02 20 03 00 00 00"});
        QVERIFY(takeDebugLines().contains("cmd Failed"));
        QCOMPARE(std::count(nested, nested + 64, 0xAA), 64);
        QCOMPARE(int(hid.isReady), 1);

        // Still busy after the wait: dropped with the write's line, nothing on the wire.
        trace().clear();
        hid.isReady = 0;
        hid.hid_04H_SendMacroData(1, 20, nested);
        QVERIFY(trace().snapshot().empty());
        QVERIFY(takeDebugLines().contains("cmd Failed!!!"));
    }

    // --- Event listener ---

    void listenerForwardsFiveByteReportsOnly()
    {
        Hid_Thread hid;
        ProbeDevice* probe = plugProbe();
        discover(hid, 0);
        hid.hid_StartListen(0);
        probe->rawEventLength = 4;
        bus().notify("mouse", {0x0B, 1, 0, 0});
        probe->rawEventLength = 6;
        bus().notify("mouse", {0x0B, 2, 0, 0});
        probe->rawEventLength.reset();
        bus().notify("mouse", {0x11, 120, 0, 0});
        QTRY_COMPARE_WITH_TIMEOUT(forwardedCount(), 1, 2000);
        QCOMPARE(forwarded.value(0), (QList<int>{0x11, 120, 0, 0}));
        QTRY_VERIFY(entries("read").size() > 2);
        hid.hid_StopListen();
        hid.listenFuture.waitForFinished();
        const auto reads = entries("read");
        QVERIFY(!reads.isEmpty());
        QVERIFY(std::all_of(reads.begin(), reads.end(), [](const sim::TraceEntry& e) {
            return e.timeoutMs == 100 && QString::fromStdString(e.path).endsWith("/event");
        }));
        QVERIFY(!takeDebugLines().contains("Device removed"));
        // One handle serves every read of a listener and is closed when it ends.
        QCOMPARE(entries("open").size(), 1);
        QCOMPARE(entries("close").size(), 1);
    }

    // The listener ends with its device, says so, and no longer counts as listening: whoever
    // selects the entry again must start a new one.
    void listenerNoticesRemoval()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        hid.hid_StartListen(0);
        QVERIFY(hid.hid_ListensTo(0));
        QVERIFY(!hid.hid_ListensTo(1));
        QTRY_VERIFY(!entries("read").isEmpty()); // the listener is past its start
        bus().unplug("mouse");
        hid.publishDevices(discoverDevices(kShippedCatalog)); // empties the event path
        QTRY_VERIFY_WITH_TIMEOUT(hid.listenFuture.isFinished(), 1000);
        QCOMPARE(takeDebugLines().filter(QRegularExpression("Listener|removed")),
                 (QStringList{"Listener started on entry 0", "Device removed",
                              "Listener ended on entry 0"}));
        QVERIFY(!hid.hid_ListensTo(0));

        // Unplugged with no discovery in between: the next open fails.
        plug("mouse");
        discover(hid, 0);
        hid.hid_StartListen(0);
        QTRY_VERIFY(!entries("read").isEmpty());
        bus().unplug("mouse");
        QTRY_VERIFY_WITH_TIMEOUT(hid.listenFuture.isFinished(), 1000);
        QCOMPARE(takeDebugLines(), (QStringList{"Listener started on entry 0", "Device removed",
                                                "Listener ended on entry 0"}));
        QVERIFY(hid.devList[0].eventPath.isEmpty());
        QVERIFY(!hid.hid_ListensTo(0));

        // A stop on purpose is no removal.
        plug("mouse");
        discover(hid, 0);
        hid.hid_StartListen(0);
        hid.hid_StopListen();
        QTRY_VERIFY_WITH_TIMEOUT(hid.listenFuture.isFinished(), 1000);
        QCOMPARE(takeDebugLines(),
                 (QStringList{"Listener started on entry 0", "Listener ended on entry 0"}));
        QVERIFY(!hid.devList[0].eventPath.isEmpty());
    }

    // However a replug falls between the listener's passes and discovery, after the next
    // discovery the entry either has a live listener or reports none, so selecting it again
    // brings its notifications back.
    void replugThenSelectAgainHeals()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        hid.hid_StartListen(0);
        for (int round = 1; round <= 4; ++round) {
            QTRY_VERIFY(!entries("read").isEmpty());
            bus().unplug("mouse");
            if (round % 2 == 0) // let the listener notice the gap on some rounds
                QTRY_VERIFY_WITH_TIMEOUT(!hid.hid_ListensTo(0), 1000);
            plug("mouse");
            discover(hid, 0);
            if (!hid.hid_ListensTo(0))
                hid.hid_StartListen(0);
            const int before = forwardedCount();
            QTRY_VERIFY_WITH_TIMEOUT(
                (bus().notify("mouse", {0x0B, quint8(round), 0, 0}), forwardedCount() > before),
                2000);
            QMutexLocker lock(&recordLock);
            QCOMPARE(forwarded.last(), (QList<int>{0x0B, round, 0, 0}));
        }
        hid.hid_StopListen();
    }

    // --- The scene's side ---

    // The pages call the setting write with plain numbers; they must arrive as bytes.
    void qmlCallsSettingWrite()
    {
        Hid_Thread hid;
        plug("mouse");
        discover(hid, 0);
        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("hid"), &hid);
        QQmlExpression call(engine.rootContext(), nullptr,
                            QStringLiteral("hid.hid_Send8ByteData(3, 13, 2, 0x80, 0x0C, 0, 0); "
                                           "hid.hid_GetDeviceStrCount()"));
        const QVariant count = call.evaluate();
        QVERIFY2(!call.hasError(), qPrintable(call.error().toString()));
        QCOMPARE(count.toInt(), 1);
        QCOMPARE(takeDebugLines().value(0), QStringLiteral("3 13 2 128 12 0 0"));
        QCOMPARE(wire(), QStringList{"send-feature 00 03 0D 02 80 0C 00 00 00"});
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_device.moc"
