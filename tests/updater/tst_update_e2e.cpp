// The real `update` program against the virtual devices: what goes over the wire, what the
// device holds afterwards, standard output and exit code.
#include "tests/updater/simharness.h"

#include "tests/updater/firmwarefolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

namespace
{

const char kRunning[] = "更新中，请勿退出程式!";
const char kSuccess[] = "更新成功！";
const char kLost[] = "错误！请重启程式!";
const char kConfigInvalid[] = "配置文件错误！";
const char kImageInvalid[] = "固件文件错误！";
const char kNothingToWrite[] = "没有可更新的固件！";
const char kNoDevice[] = "未找到设备！";
const char kWrongMode[] = "设备模式与固件不符！";
const char kNotRestarted[] = "设备未能启动新固件！";
const char kEngineFailed[] = "更新引擎错误！";
const char kAmbiguous[] = "请只连接一个设备！";
const char kNotEntered[] = "设备未进入更新模式！";

const QString kMouseImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);

QStringList numbers(int from, int to)
{
    QStringList out;
    for (int i = from; i <= to; ++i)
        out << QString::number(i);
    return out;
}

QByteArray padded(const QByteArray& image, int size)
{
    return image + QByteArray(size - image.size(), char(0xFF));
}

QByteArray repeat(char c, int n)
{
    return QByteArray(n, c);
}

// Command codes of a whole boot-loader run: address, data begin, each block's address and 18
// data frames, data end, the CRC queries and finish.
QByteArray bootCommandCodes(int blocks, int crcBlocks)
{
    QByteArray codes = QByteArray::fromHex("A7A1");
    for (int b = 0; b < blocks; ++b)
        codes += char(0xA2) + repeat(char(0xA3), 18);
    return codes + char(0xA4) + repeat(char(0xA5), crcBlocks) + char(0xA6);
}

// Every transfer the updater could make to a device; enumeration alone touches nothing.
QList<TraceLine> transfers(const QList<TraceLine>& trace, const QString& pathPart = "")
{
    QList<TraceLine> out;
    for (const char* op : {"open", "write", "read", "send-feature", "get-feature"})
        out += calls(trace, op, pathPart);
    return out;
}

} // namespace

class TstUpdateE2e : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    // Boot-loader path
    void bootLoaderFromNormalMode();
    void startedInBootLoaderMode();
    void largestImageStaysInApplicationArea();

    // CH32 IAP path
    void ch32Image_data();
    void ch32Image();
    void ch32FailingWriteStopsAtOnce();

    // Engine path
    void engineOnly();
    void bothImages();
    void engineImageReplacedAfterTheCheck_data();
    void engineImageReplacedAfterTheCheck();

    // The engine's calling contract, with a scripted engine
    void engineCallbacks_data();
    void engineCallbacks();

    // Refusals: exit 1 and a status text, the device untouched
    void refusedBeforeAnyTransfer_data();
    void refusedBeforeAnyTransfer();
    void modeMismatch_data();
    void modeMismatch();
    void noDeviceGivesUp();

    // One device only, and success only when it runs the image
    void secondDevicePluggedMidUpdate_data();
    void secondDevicePluggedMidUpdate();
    void devicePluggedWhileWaitingForTheRestart_data();
    void devicePluggedWhileWaitingForTheRestart();
    void twoDevicesAtStart_data();
    void twoDevicesAtStart();
    void deviceDoesNotStartImage_data();
    void deviceDoesNotStartImage();

    // Failures of a step: status text, exit code 1, bounded time
    void stepFails_data();
    void stepFails();
    void deviceLostMidUpdate_data();
    void deviceLostMidUpdate();

    // Command line and configuration folder
    void noArguments();
    void configFolderRules_data();
    void configFolderRules();

private:
    QString writeFolder(const testfw::Folder& folder);
    testfw::Folder folderOf(const QString& kind, int size, quint16 version);
    UpdateRun update(const QString& prefix);
    void plug(const QString& kind, const QStringList& setup = {});
    QString state(const QString& name = "dev");

    SimDaemon sim;
    QTemporaryDir work;
    QString binDir;
    QString program;
    int folders = 0;
};

void TstUpdateE2e::initTestCase()
{
    binDir = qEnvironmentVariable("QUILLEX_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "QUILLEX_BIN_DIR names the build's bin folder");
    program = binDir + "/updateEx/update";
    QVERIFY(QFile::exists(program));
    QVERIFY(sim.start(binDir, work.filePath("sim.sock")));
}

void TstUpdateE2e::cleanupTestCase()
{
    sim.stop();
}

void TstUpdateE2e::init()
{
    sim.control({"reset"});
}

QString TstUpdateE2e::writeFolder(const testfw::Folder& folder)
{
    const QString prefix = work.filePath(QString("fw%1/").arg(++folders));
    if (!testfw::writeFolder(prefix, folder))
        qWarning() << "cannot write" << prefix;
    return prefix;
}

// A mouse folder whose only image is of `kind`: "boot", "ch32" or "engine".
testfw::Folder TstUpdateE2e::folderOf(const QString& kind, int size, quint16 version)
{
    testfw::Folder f;
    f.devImage = kMouseImage;
    if (kind == "engine") {
        f.b1Name = "engine.bin";
        f.b1File = testfw::engineImageFile(
            testfw::plainImage(size, version, 2, testfw::ImageKind::Engine));
        return f;
    }
    f.b0Name = kind == "ch32" ? "C_mouse.bin" : "mouse.bin";
    f.b0File = testfw::firstImageFile(
        testfw::plainImage(size, version, 1, testfw::firstImageKind(f.b0Name)));
    return f;
}

UpdateRun TstUpdateE2e::update(const QString& prefix)
{
    return sim.runUpdate(program, {prefix, "-s", "-r"});
}

void TstUpdateE2e::plug(const QString& kind, const QStringList& setup)
{
    sim.control({"plug", kind, "dev"});
    for (const QString& command : setup)
        sim.control(QStringList{"do", "dev"} + command.split(' '));
}

QString TstUpdateE2e::state(const QString& name)
{
    return sim.control({"state", name});
}

void TstUpdateE2e::bootLoaderFromNormalMode()
{
    plug("fw-mouse");
    const QByteArray image = testfw::plainImage(3000, 0x0123);
    const UpdateRun run = update(writeFolder(folderOf("boot", 3000, 0x0123)));

    QVERIFY(run.finished);
    QVERIFY2(run.exitCode == 0, qPrintable(run.errors));
    // 3 blocks, 54 frames, progressBase 100: a report before every frame; 100 only once the
    // device is back in normal mode.
    QCOMPARE(run.lines, QStringList{"0"} + numbers(0, 53) + QStringList({"99", "100"}));
    QVERIFY(run.errors.contains(kRunning) && run.errors.contains(kSuccess));
    // The version read before the update: model, version 0x0104, checksum, configuration.
    QVERIFY2(run.errors.contains("firmware QX-M8K v104 5a3c C0104"), qPrintable(run.errors));

    const QList<TraceLine> trace = sim.trace();
    const QList<TraceLine> commands = calls(trace, "send-feature", "/cmd");
    // The model query of the version read, then the enter command.
    QCOMPARE(commands.size(), 2);
    QCOMPARE(commands.first().bytes, QByteArray::fromHex("00EF000000000000 00"));
    QCOMPARE(commands.last().bytes, QByteArray::fromHex("001F5AA000000000 00"));
    const QList<QByteArray> writes = bootWrites(trace);
    QCOMPARE(codes(writes, 1), bootCommandCodes(3, 2));
    // Every boot-loader command carries its prefix, data-end included.
    QCOMPARE(codes(writes, 0), repeat(0x5A, writes.size()));
    for (const QByteArray& w : writes)
        QCOMPARE(w.size(), 64);
    QCOMPARE(writes[2].left(5), QByteArray::fromHex("5AA2080060"));
    QCOMPARE(int(quint8(writes[21][4])), 0x64);
    QCOMPARE(int(quint8(writes[40][4])), 0x68);
    QCOMPARE(writes[59].left(5), QByteArray::fromHex("5AA4000000"));
    QCOMPARE(writes[60].left(8), QByteArray::fromHex("5AA5000060000002"));
    QCOMPARE(writes[61].left(8), QByteArray::fromHex("5AA5000068000002"));
    // Every block carries exactly 1 KiB: the image and 72 bytes of 0xFF.
    QCOMPARE(dataPayload(writes), padded(image, 3072));
    // Each command but the data frames reads an answer; the device restarts on finish.
    const QList<TraceLine> reads = calls(trace, "read", "/boot");
    QCOMPARE(reads.size(), 8);
    for (const TraceLine& r : reads) {
        QCOMPARE(r.timeoutMs, 500);
        QCOMPARE(r.bytes.size(), 64);
    }

    QCOMPARE(sim.memory("dev", "flash").mid(0x6000, 3072), padded(image, 3072));
    QVERIFY(state().startsWith("dev 093A:C791 release 0123"));
}

void TstUpdateE2e::startedInBootLoaderMode()
{
    plug("bootloader");
    const QByteArray image = testfw::plainImage(2500, 0x0131);
    const UpdateRun run = update(writeFolder(folderOf("boot", 2500, 0x0131)));

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, QStringList{"0"} + numbers(0, 53) + QStringList({"99", "100"}));
    const QList<TraceLine> trace = sim.trace();
    QVERIFY(calls(trace, "send-feature", "").isEmpty()); // no enter command: already there
    QCOMPARE(codes(bootWrites(trace), 1), bootCommandCodes(3, 2));
    QCOMPARE(sim.memory("dev", "flash").mid(0x6000, 3072), padded(image, 3072));
    QVERIFY(state().startsWith("dev 093A:C791 release 0131"));
}

void TstUpdateE2e::largestImageStaysInApplicationArea()
{
    plug("bootloader");
    const QByteArray image = testfw::plainImage(40960, 0x0132);
    const UpdateRun run = update(writeFolder(folderOf("boot", 40960, 0x0132)));

    QCOMPARE(run.exitCode, 0);
    const QList<QByteArray> writes = bootWrites(sim.trace());
    QByteArray addresses;
    for (const QByteArray& w : writes)
        if (quint8(w[1]) == 0xA2 || quint8(w[1]) == 0xA5)
            addresses += w[4];
    QByteArray expected;
    for (int b = 0; b < 40; ++b)
        expected += char(0x60 + 4 * b);
    for (int b = 0; b < 20; ++b)
        expected += char(0x60 + 8 * b);
    QCOMPARE(addresses, expected);
    const QByteArray flash = sim.memory("dev", "flash");
    QCOMPARE(flash.mid(0x6000), image);
    QCOMPARE(flash.left(0x6000), repeat(char(0xFF), 0x6000));
    QVERIFY(state().startsWith("dev 093A:C791 release 0132"));
}

void TstUpdateE2e::ch32Image_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("118 bytes") << 118 << QStringList{"0", "0", "25", "50", "75", "99", "100"};
    QTest::newRow("119 bytes") << 119
                               << QStringList{"0", "0", "16", "33", "50", "66", "83", "99", "100"};
}

void TstUpdateE2e::ch32Image()
{
    QFETCH(int, size);
    QFETCH(QStringList, lines);
    plug("fw-mouse", {"updater-mode ch32"});
    const QByteArray image = testfw::plainImage(size, 0x0211, 1, testfw::ImageKind::Ch32);
    const UpdateRun run = update(writeFolder(folderOf("ch32", size, 0x0211)));

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines, lines);
    const QList<TraceLine> frames = calls(sim.trace(), "send-feature", "/iap");
    const int n = (size + 58) / 59;
    QCOMPARE(frames.size(), 2 + 2 * n);
    QCOMPARE(frames.first().bytes, QByteArray::fromHex("048102") + QByteArray(61, '\0'));
    QCOMPARE(frames.last().bytes, QByteArray::fromHex("048302") + QByteArray(61, '\0'));
    for (int i = 0; i < n; ++i) {
        const QByteArray chunk = image.mid(59 * i, 59);
        const QByteArray head =
            QByteArray::fromHex("04") + char(0x80) + char(chunk.size()) + char(59 * i) + char(0);
        const QByteArray body = chunk + QByteArray(59 - chunk.size(), '\0');
        QCOMPARE(frames[1 + i].bytes, head + body);
        QByteArray verify = head + body;
        verify[1] = char(0x82);
        QCOMPARE(frames[1 + n + i].bytes, verify);
    }
    QCOMPARE(sim.memory("dev", "iap-flash").left(size), image);
    QVERIFY(state().startsWith("dev 093A:C791 release 0211"));
}

void TstUpdateE2e::ch32FailingWriteStopsAtOnce()
{
    plug("fw-mouse", {"updater-mode ch32", "fault write status 2"});
    const UpdateRun run = update(writeFolder(folderOf("ch32", 119, 0x0211)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.errors.contains("写入失败！"));
    QCOMPARE(run.lines, (QStringList{"0", "0"}));
    const QList<TraceLine> frames = calls(sim.trace(), "send-feature", "/iap");
    // Erase, then the two chunks up to the refused one; no verify, no finish.
    QCOMPARE(codes(bytesOf(frames), 1), QByteArray::fromHex("818080"));
}

void TstUpdateE2e::engineOnly()
{
    plug("fw-mouse");
    const QByteArray image = testfw::plainImage(2000, 0x0222, 2, testfw::ImageKind::Engine);
    const UpdateRun run = update(writeFolder(folderOf("engine", 2000, 0x0222)));

    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.lines.first(), QString("0"));
    QCOMPARE(run.lines.last(), QString("100"));
    for (int i = 1; i < run.lines.size(); ++i)
        QVERIFY(run.lines[i].toInt() >= run.lines[i - 1].toInt());
    QVERIFY(run.lines.size() > 10);
    const QList<TraceLine> requests = calls(sim.trace(), "send-feature", "/engine");
    QCOMPARE(requests.first().bytes.left(2), QByteArray::fromHex("0601")); // version read
    QCOMPARE(requests[1].bytes.left(6), QByteArray::fromHex("0610D0070000"));
    QCOMPARE(sim.memory("dev", "engine-image"), image);
    QVERIFY(state().startsWith("dev 093A:C791 release 0222"));
}

void TstUpdateE2e::bothImages()
{
    plug("fw-mouse");
    testfw::Folder f = folderOf("boot", 10240, 0x0150);
    f.b1Name = "engine.bin";
    f.b1File =
        testfw::engineImageFile(testfw::plainImage(1000, 0x0160, 2, testfw::ImageKind::Engine));
    const UpdateRun run = update(writeFolder(f));

    QCOMPARE(run.exitCode, 0);
    // 10 blocks, S = 180 / 20 = 9: one line before every 9th frame, then 20 at the finish.
    QCOMPARE(run.lines.mid(0, 22), QStringList{"0"} + numbers(0, 19) + QStringList{"20"});
    const QStringList engine = run.lines.mid(22);
    QCOMPARE(engine.first(), QString("20"));
    QCOMPARE(engine.last(), QString("100"));
    for (int i = 1; i < engine.size(); ++i)
        QVERIFY(engine[i].toInt() >= engine[i - 1].toInt());
    QCOMPARE(sim.memory("dev", "flash").mid(0x6000, 10240), testfw::plainImage(10240, 0x0150));
    QVERIFY(state().startsWith("dev 093A:C791 release 0160"));
}

void TstUpdateE2e::engineImageReplacedAfterTheCheck_data()
{
    QTest::addColumn<QString>("replacement");
    // Opening a FIFO waits for a writer; a read of /dev/zero never ends.
    QTest::newRow("FIFO") << "fifo";
    QTest::newRow("link to /dev/zero") << "/dev/zero";
}

// The engine reads its image again when the second image starts, long after the updater checked
// it; whatever the path names by then, the run ends.
void TstUpdateE2e::engineImageReplacedAfterTheCheck()
{
    QFETCH(QString, replacement);
    plug("fw-mouse");
    testfw::Folder f = folderOf("boot", 10240, 0x0170);
    f.b1Name = "engine.bin";
    f.b1File =
        testfw::engineImageFile(testfw::plainImage(1000, 0x0171, 2, testfw::ImageKind::Engine));
    const QString prefix = writeFolder(f);
    QProcess process;
    sim.startUpdate(process, program, {prefix, "-s", "-r"});
    QStringList seen;
    // The first image is being written: the updater's checks are behind it, the engine's ahead.
    QVERIFY(waitForProgress(process, 5, seen));
    const QString enginePath = prefix + "b1/engine.bin";
    QVERIFY(QFile::remove(enginePath));
    if (replacement == "fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(enginePath).constData(), 0600), 0);
    else
        QVERIFY(QFile::link(replacement, enginePath));
    const UpdateRun run = sim.finishUpdate(process, 30000, seen);

    QVERIFY2(run.finished, "the updater hung");
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(kEngineFailed), qPrintable(run.errors));
    QVERIFY(!run.lines.contains("100"));
    // Nothing was sent to the engine interface but version reads.
    for (const TraceLine& request : calls(sim.trace(), "send-feature", "/engine"))
        QCOMPARE(request.bytes.left(2), QByteArray::fromHex("0601"));
    QVERIFY(state().startsWith("dev 093A:C791 release 0170"));
}

void TstUpdateE2e::engineCallbacks_data()
{
    QTest::addColumn<bool>("firstImage");
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QString>("text");
    // Lines: the start, the first image's steps when there is one, then one per callback; 100
    // only once the device is back with the engine's image.
    QTest::newRow("both images") << true << "0,50,100:1"
                                 << QStringList{"0"} + numbers(0, 17) +
                                        QStringList{"20", "20", "60", "99", "100"}
                                 << kSuccess;
    QTest::newRow("second image only")
        << false << "0,50,100:1" << QStringList{"0", "0", "50", "99", "100"} << kSuccess;
    QTest::newRow("percentage above 100")
        << false << "40,150,100:1" << QStringList{"0", "40", "40", "99", "100"} << kSuccess;
    QTest::newRow("completion with an error")
        << false << "0,50,100:1:7" << QStringList{"0", "0", "50", "99"} << kEngineFailed;
    QTest::newRow("error before the end")
        << false << "0,30:0:2" << QStringList{"0", "0", "30"} << kEngineFailed;
    QTest::newRow("stops reporting")
        << false << "0,30" << QStringList{"0", "0", "30"} << kEngineFailed;
    QTest::newRow("refuses to start") << false << "refuse" << QStringList{"0"} << kEngineFailed;
    QTest::newRow("no engine") << false << "none" << QStringList{"0"} << kEngineFailed;
}

void TstUpdateE2e::engineCallbacks()
{
    QFETCH(bool, firstImage);
    QFETCH(QString, script);
    QFETCH(QStringList, lines);
    QFETCH(QString, text);
    plug("fw-mouse");
    testfw::Folder f = folderOf("boot", 3000, 0x0150);
    if (!firstImage)
        f.b0Name.clear();
    f.b1Name = "engine.bin";
    f.b1File =
        testfw::engineImageFile(testfw::plainImage(1000, 0x0151, 2, testfw::ImageKind::Engine));
    QProcess process;
    sim.startUpdate(process, program, {writeFolder(f), "-s", "-r"}, STUB_ENGINE_DIR,
                    {"QUILLEX_STUB_ENGINE=" + script});
    QStringList seen;
    // The scripted engine writes nothing: the device restarting with its image is played here.
    if (text == kSuccess && waitForProgress(process, 99, seen)) {
        sim.control({"unplug", "dev"});
        plug("fw-mouse");
    }
    const UpdateRun run = sim.finishUpdate(process, 30000, seen);
    QVERIFY(run.finished);
    QCOMPARE(run.lines, lines);
    QCOMPARE(run.exitCode, text == kSuccess ? 0 : 1);
    QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
}

void TstUpdateE2e::refusedBeforeAnyTransfer_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("text");
    QTest::newRow("no folder") << "no folder" << kConfigInvalid;
    QTest::newRow("no cfg.dat") << "no cfg.dat" << kConfigInvalid;
    QTest::newRow("devImage missing") << "devImage=" << kConfigInvalid;
    QTest::newRow("devImage of 15 digits") << "devImage=7C1990A3FF01001" << kConfigInvalid;
    QTest::newRow("devImage not hexadecimal") << "devImage=7C1990A3FF01001X" << kConfigInvalid;
    QTest::newRow("vendor 0") << "devImage=7C190000FF010010" << kConfigInvalid;
    QTest::newRow("image file missing") << "no b0 file" << kImageInvalid;
    QTest::newRow("engine file missing") << "no b1 file" << kImageInvalid;
    QTest::newRow("engine file not an engine image") << "bad b1 file" << kImageInvalid;
    QTest::newRow("image file of 1 GiB") << "huge b0 file" << kImageInvalid;
    QTest::newRow("boot-loader image below 2 KiB") << "boot 2047" << kImageInvalid;
    QTest::newRow("boot-loader image above 40 KiB") << "boot 46080" << kImageInvalid;
    QTest::newRow("empty CH32 image") << "ch32 0" << kImageInvalid;
    QTest::newRow("CH32 image above 64 KiB") << "ch32 65536" << kImageInvalid;
    QTest::newRow("no image named") << "no image" << kNothingToWrite;
}

void TstUpdateE2e::refusedBeforeAnyTransfer()
{
    QFETCH(QString, breakage);
    QFETCH(QString, text);
    plug("fw-mouse");
    const QString before = state();
    testfw::Folder f = folderOf("boot", 3000, 0x0300);
    const QStringList words = breakage.split(' ');
    if (breakage.startsWith("devImage="))
        f.devImage = breakage.section('=', 1);
    else if (words.first() == "boot" || words.first() == "ch32")
        f = folderOf(words.first(), words.last().toInt(), 0x0300);
    else if (breakage == "no image")
        f.b0Name.clear();
    else if (breakage == "no b1 file" || breakage == "bad b1 file")
        f.b1Name = "engine.bin";
    if (breakage == "bad b1 file")
        f.b1File = "seven b";
    QString prefix = writeFolder(f);
    if (breakage == "no folder")
        prefix = work.filePath("absent/");
    else if (breakage == "no cfg.dat")
        QVERIFY(QFile::remove(prefix + "cfg.dat"));
    else if (breakage == "no b0 file")
        QVERIFY(QFile::remove(prefix + "b0/mouse.bin"));
    else if (breakage == "huge b0 file")
        QVERIFY(QFile::resize(prefix + "b0/mouse.bin", qint64(1) << 30)); // sparse: no disk used
    else if (breakage == "no b1 file")
        QVERIFY(QFile::remove(prefix + "b1/engine.bin"));

    const UpdateRun run = update(prefix);
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QVERIFY(run.lines.isEmpty());
    // Decided at once, not after waiting for a device.
    QVERIFY2(run.ms < 5000, qPrintable(QString::number(run.ms)));
    QVERIFY(transfers(sim.trace()).isEmpty());
    QCOMPARE(state(), before);
}

void TstUpdateE2e::modeMismatch_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QString>("rightImage");
    QTest::newRow("CH32 image, device in the boot loader")
        << "bootloader" << QStringList{} << "ch32"
        << "boot";
    QTest::newRow("boot-loader image, device in CH32 IAP") << "ch32iap" << QStringList{} << "boot"
                                                           << "ch32";
    QTest::newRow("boot-loader image, device restarts in CH32 IAP")
        << "fw-mouse" << QStringList{"updater-mode ch32"} << "boot"
        << "ch32";
    QTest::newRow("CH32 image, device restarts in the boot loader")
        << "fw-mouse" << QStringList{} << "ch32"
        << "boot";
    QTest::newRow("engine image, device in the boot loader")
        << "bootloader" << QStringList{} << "engine"
        << "boot";
}

void TstUpdateE2e::modeMismatch()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, setup);
    QFETCH(QString, image);
    QFETCH(QString, rightImage);
    plug(kind, setup);
    const UpdateRun run = update(writeFolder(folderOf(image, 3000, 0x0310)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(kWrongMode), qPrintable(run.errors));
    // Nothing was written in either updater mode.
    const QList<TraceLine> trace = sim.trace();
    QVERIFY(calls(trace, "write", "/boot").isEmpty());
    QVERIFY(calls(trace, "send-feature", "/iap").isEmpty());

    // The device waits in its updater mode: the right image recovers it.
    sim.control({"trace", "--clear"});
    const UpdateRun rerun = update(writeFolder(folderOf(rightImage, 3000, 0x0311)));
    QVERIFY2(rerun.exitCode == 0, qPrintable(rerun.errors));
    QVERIFY(state().startsWith("dev 093A:C791 release 0311"));
}

void TstUpdateE2e::noDeviceGivesUp()
{
    // A receiver is no device of a mouse folder.
    sim.control({"plug", "fw-receiver8k", "receiver"});
    const UpdateRun run = update(writeFolder(folderOf("boot", 3000, 0x0320)));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(kNoDevice), qPrintable(run.errors));
    QVERIFY(run.lines.isEmpty());
    QVERIFY(transfers(sim.trace()).isEmpty());
}

void TstUpdateE2e::secondDevicePluggedMidUpdate_data()
{
    QTest::addColumn<bool>("engineImage");
    QTest::newRow("boot-loader image") << false;
    // The engine finds its device by vendor and product alone: with two it must not start.
    QTest::newRow("engine image to follow") << true;
}

void TstUpdateE2e::secondDevicePluggedMidUpdate()
{
    QFETCH(bool, engineImage);
    plug("fw-mouse");
    testfw::Folder f = folderOf("boot", 10240, 0x0330);
    if (engineImage) {
        f.b1Name = "engine.bin";
        f.b1File =
            testfw::engineImageFile(testfw::plainImage(1000, 0x0331, 2, testfw::ImageKind::Engine));
    }
    QProcess process;
    sim.startUpdate(process, program, {writeFolder(f), "-s", "-r"});
    QStringList seen;
    QVERIFY(waitForProgress(process, engineImage ? 5 : 30, seen));
    sim.control({"plug", "fw-mouse", "other"});
    const UpdateRun run = sim.finishUpdate(process, 30000, seen);

    QCOMPARE(run.exitCode, engineImage ? 1 : 0);
    QVERIFY2(run.errors.contains(engineImage ? kAmbiguous : kSuccess), qPrintable(run.errors));
    QVERIFY(state().startsWith("dev 093A:C791 release 0330"));
    QVERIFY(transfers(sim.trace(), "/other/").isEmpty());
    QVERIFY(state("other").startsWith("other 093A:C791 release 0104"));
}

void TstUpdateE2e::devicePluggedWhileWaitingForTheRestart_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<int>("plugAt");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    // The finish reports 99; a mouse plugged then is no mouse coming back.
    QTest::newRow("mouse plugged after the finish")
        << "finish never-back" << 99 << "fw-mouse" << kNotRestarted;
    QTest::newRow("boot loader plugged after the enter command")
        << "enter never-back" << 0 << "bootloader" << kLost;
}

void TstUpdateE2e::devicePluggedWhileWaitingForTheRestart()
{
    QFETCH(QString, fault);
    QFETCH(int, plugAt);
    QFETCH(QString, kind);
    QFETCH(QString, text);
    plug("fw-mouse", {"fault " + fault});
    QProcess process;
    sim.startUpdate(process, program, {writeFolder(folderOf("boot", 3000, 0x0350)), "-s", "-r"});
    QStringList seen;
    QVERIFY(waitForProgress(process, plugAt, seen));
    sim.control({"plug", kind, "other"});
    const UpdateRun run = sim.finishUpdate(process, 30000, seen);

    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QVERIFY(!run.lines.contains("100"));
    QVERIFY(transfers(sim.trace(), "/other/").isEmpty());
}

void TstUpdateE2e::twoDevicesAtStart_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("otherKind");
    QTest::addColumn<QString>("image");
    QTest::newRow("two in normal mode") << "fw-mouse"
                                        << "fw-mouse"
                                        << "boot";
    // A mouse left in its boot loader by a failed update beside a healthy one: which one the
    // caller means to flash cannot be told.
    QTest::newRow("one in the boot loader, one in normal mode") << "bootloader"
                                                                << "fw-mouse"
                                                                << "boot";
    QTest::newRow("one in CH32 IAP, one in normal mode") << "ch32iap"
                                                         << "fw-mouse"
                                                         << "ch32";
    QTest::newRow("one in the boot loader, one in CH32 IAP") << "bootloader"
                                                             << "ch32iap"
                                                             << "boot";
}

void TstUpdateE2e::twoDevicesAtStart()
{
    QFETCH(QString, kind);
    QFETCH(QString, otherKind);
    QFETCH(QString, image);
    plug(kind);
    sim.control({"plug", otherKind, "other"});
    const QString before = state();
    const QString otherBefore = state("other");
    const UpdateRun run = update(writeFolder(folderOf(image, 3000, 0x0360)));
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(kAmbiguous), qPrintable(run.errors));
    QVERIFY(!run.lines.contains("100"));
    QVERIFY(transfers(sim.trace()).isEmpty());
    QCOMPARE(state(), before);
    QCOMPARE(state("other"), otherBefore);
}

void TstUpdateE2e::deviceDoesNotStartImage_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QStringList>("setup");
    QTest::addColumn<QString>("imageKind");
    QTest::newRow("boot loader given a CH32 image") << "boot" << QStringList{} << "ch32";
    QTest::newRow("CH32 IAP given a boot-loader image")
        << "ch32" << QStringList{"updater-mode ch32"} << "boot";
    QTest::newRow("never back after the finish")
        << "boot" << QStringList{"fault finish never-back"} << "boot";
}

void TstUpdateE2e::deviceDoesNotStartImage()
{
    QFETCH(QString, protocol);
    QFETCH(QStringList, setup);
    QFETCH(QString, imageKind);
    plug("fw-mouse", setup);
    // The protocol follows the file name; the image inside says which device it is for.
    testfw::Folder f = folderOf(protocol, 3000, 0x0340);
    f.b0File = testfw::firstImageFile(testfw::plainImage(
        3000, 0x0340, 1,
        imageKind == "ch32" ? testfw::ImageKind::Ch32 : testfw::ImageKind::BootLoader));
    const UpdateRun run = update(writeFolder(f));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(kNotRestarted), qPrintable(run.errors));
    QVERIFY(!run.lines.contains("100"));
    QVERIFY(!state().contains("release 0340"));
}

void TstUpdateE2e::stepFails_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("maxMs");
    QTest::newRow("address refused") << "bootloader"
                                     << "address status"
                                     << "写入地址失败！" << 10000;
    QTest::newRow("address unanswered") << "bootloader"
                                        << "address timeout"
                                        << "写入地址失败！" << 10000;
    QTest::newRow("data end refused") << "bootloader"
                                      << "end status"
                                      << "写入AP数据失败！" << 10000;
    QTest::newRow("wrong crc") << "bootloader"
                               << "crc crc 2"
                               << "CRC校验失败！" << 10000;
    QTest::newRow("crc unanswered") << "bootloader"
                                    << "crc timeout"
                                    << "CRC校验失败！" << 10000;
    QTest::newRow("data frame lost") << "bootloader"
                                     << "data status 20"
                                     << "CRC校验失败！" << 10000;
    QTest::newRow("erase refused") << "ch32"
                                   << "erase status"
                                   << "清空失败！" << 10000;
    QTest::newRow("write unanswered") << "ch32"
                                      << "write timeout"
                                      << "写入失败！" << 10000;
    QTest::newRow("verify refused") << "ch32"
                                    << "verify status 2"
                                    << "校验失败！" << 10000;
    QTest::newRow("engine data refused") << "engine"
                                         << "es-data status 3" << kEngineFailed << 10000;
    QTest::newRow("engine unanswered") << "engine"
                                       << "es-begin timeout" << kEngineFailed << 10000;
    QTest::newRow("never back after enter") << "bootloader"
                                            << "enter never-back" << kLost << 20000;
    QTest::newRow("enter refused") << "bootloader"
                                   << "enter status" << kNotEntered << 20000;
    QTest::newRow("never back after the engine") << "engine"
                                                 << "es-end never-back" << kNotRestarted << 20000;
}

void TstUpdateE2e::stepFails()
{
    QFETCH(QString, mode);
    QFETCH(QString, fault);
    QFETCH(QString, text);
    QFETCH(int, maxMs);
    const testfw::Folder f = folderOf(mode == "bootloader" ? "boot" : mode, 3000, 0x0300);
    plug("fw-mouse",
         {QString("updater-mode ") + (mode == "ch32" ? "ch32" : "bootloader"), "fault " + fault});
    const UpdateRun run = update(writeFolder(f));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.errors.contains(text), qPrintable(run.errors));
    QVERIFY(!run.errors.contains(kSuccess));
    QVERIFY2(run.ms < maxMs, qPrintable(QString::number(run.ms)));
    QCOMPARE(run.lines.first(), QString("0"));
}

void TstUpdateE2e::deviceLostMidUpdate_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("engineToo");
    QTest::newRow("boot loader, second block") << "bootloader"
                                               << "block disconnect 2" << false;
    QTest::newRow("CH32, first chunk") << "ch32"
                                       << "write disconnect" << false;
    QTest::newRow("engine, both images") << "bootloader"
                                         << "es-data disconnect 2" << true;
}

void TstUpdateE2e::deviceLostMidUpdate()
{
    QFETCH(QString, mode);
    QFETCH(QString, fault);
    QFETCH(bool, engineToo);
    testfw::Folder f = folderOf(mode == "bootloader" ? "boot" : mode, 3000, 0x0300);
    if (engineToo) {
        f.b1Name = "engine.bin";
        f.b1File =
            testfw::engineImageFile(testfw::plainImage(3000, 0x0301, 2, testfw::ImageKind::Engine));
    }
    plug("fw-mouse", {"updater-mode " + mode, "fault " + fault});
    const UpdateRun run = update(writeFolder(f));
    QVERIFY(run.finished);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(!run.errors.contains(kSuccess));
    QVERIFY(run.ms < 12000);
}

void TstUpdateE2e::noArguments()
{
    plug("fw-mouse");
    const UpdateRun run = sim.runUpdate(program, {});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.lines.isEmpty());
    // Asked for its version it says it, and touches no device either.
    const UpdateRun version = sim.runUpdate(program, {"--version"});
    QCOMPARE(version.exitCode, 0);
    QCOMPARE(version.lines, QStringList{"update " QUILLEX_VERSION});
    QVERIFY(sim.trace().isEmpty());
}

void TstUpdateE2e::configFolderRules_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("release");
    // The caller passes a folder relative to the updater's own folder.
    QTest::newRow("relative folder") << QStringList{"../fw/", "-s", "-r"} << "0401";
    QTest::newRow("no trailing slash") << QStringList{"../fw", "-s", "-r"} << "0402";
    QTest::newRow("switches in another case") << QStringList{"../fw/", "-S", "-r"} << "0403";
    QTest::newRow("switches missing") << QStringList{"../fw/"} << "0403";
}

void TstUpdateE2e::configFolderRules()
{
    QFETCH(QStringList, args);
    QFETCH(QString, release);
    // An installation of its own: updateEx/ with the updater, its engine and a cfg.dat beside it.
    QTemporaryDir install;
    const QString updateEx = install.filePath("updateEx/");
    QDir().mkpath(updateEx);
    for (const QString& file : QDir(binDir + "/updateEx").entryList(QDir::Files))
        QVERIFY(QFile::copy(binDir + "/updateEx/" + file, updateEx + file));
    QFile::setPermissions(updateEx + "update", QFile::permissions(program));
    QVERIFY(testfw::writeFolder(install.filePath("fw/"), folderOf("boot", 2048, 0x0401)));
    QVERIFY(testfw::writeFolder(install.filePath("fw"), folderOf("boot", 2048, 0x0402)));
    QVERIFY(testfw::writeFolder(updateEx, folderOf("boot", 2048, 0x0403)));

    plug("fw-mouse");
    const UpdateRun run = sim.runUpdate(updateEx + "update", args);
    QCOMPARE(run.exitCode, 0);
    QVERIFY(state().startsWith("dev 093A:C791 release " + release));
}

QTEST_GUILESS_MAIN(TstUpdateE2e)
#include "tst_update_e2e.moc"
