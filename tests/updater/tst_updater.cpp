// The updater's pure pieces: image unscrambling, block CRC, frame layouts, the limits a job must
// keep, configuration digits and version texts, following a device through its restarts, and the
// engine's image format.
#include "updater/bootloaderprotocol.h"
#include "updater/ch32protocol.h"
#include "updater/deviceid.h"
#include "updater/devicewatch.h"
#include "updater/engine/engineprotocol.h"
#include "updater/firmwareimage.h"
#include "updater/shortcommand.h"
#include "updater/updatejob.h"

#include "tests/updater/firmwarefolder.h"

#include <QtTest>
#include <cstring>

namespace
{

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray counting(int n, int start = 0)
{
    QByteArray out;
    for (int i = 0; i < n; ++i)
        out.append(char(start + i * 7));
    return out;
}

template <typename T> QByteArray raw(const T& frame)
{
    return QByteArray(reinterpret_cast<const char*>(&frame), sizeof frame);
}

} // namespace

class TstUpdater : public QObject
{
    Q_OBJECT
private slots:
    // Block CRC
    void crcCheckValues();
    void crcBlockPaddedWithFF();

    // Unscrambling
    void patternFromKeys();
    void decodeFullFile();
    void decodeFileWithoutKeyB();
    void decodeShortFiles();
    void scrambleRoundTrip();

    // Boot-loader frames
    void blockCounts();
    void progressStepNeverZero();
    void commandsSetOnlyTheirBytes();
    void jobLimitsKeepAddressesInRange();
    void dataFramesOfA3000ByteImage();
    void crcAnswerIsBigEndian();

    // CH32 frames
    void ch32Chunks();
    void ch32FrameLayout();
    void ch32Progress();

    // Normal-mode commands
    void shortCommands();

    // Configuration and texts
    void devImageDigitOrder();
    void restartWatch();
    void deviceListOrder();
    void versionTexts();

    // Engine image file
    void engineImageFile();
    // The firmware folder kept with the tests
    void shippedTestFolder();
    void engineRequestsRoundTrip();
};

void TstUpdater::crcCheckValues()
{
    const QByteArray digits("123456789");
    QCOMPARE(fwimage::crc32Mpeg2(reinterpret_cast<const quint8*>(digits.constData()), 9),
             0x0376E6E7u);
    const QByteArray ff(2048, char(0xFF));
    QCOMPARE(fwimage::imageBlockCrc(reinterpret_cast<const quint8*>(ff.constData())), 0x01745503u);
}

void TstUpdater::crcBlockPaddedWithFF()
{
    QByteArray image = counting(3048);
    const QByteArray first = fwimage::takePadded(image, 2048);
    QCOMPARE(first, counting(3048).left(2048));
    QCOMPARE(image.size(), 1000);
    const QByteArray last = fwimage::takePadded(image, 2048);
    QCOMPARE(last.left(1000), counting(3048).mid(2048));
    QCOMPARE(last.mid(1000), QByteArray(1048, char(0xFF)));
    QVERIFY(image.isEmpty());
}

void TstUpdater::patternFromKeys()
{
    const fwimage::Pattern p = fwimage::patternFromKeys(0xFF, 0x00);
    QCOMPARE(raw(p), bytes({0xFF, 0x00, 0xAA, 0x55}));
    const fwimage::Pattern q = fwimage::patternFromKeys(0x0F, 0xF0);
    QCOMPARE(raw(q), bytes({0x0F, 0xF0, 0x0A | 0x50, 0xFF ^ 0x5A}));
}

void TstUpdater::decodeFullFile()
{
    QByteArray file = counting(40, 3);
    file[9] = char(0x3C);
    file[24] = char(0xA5);
    const fwimage::Pattern p = fwimage::patternFromKeys(0x3C, 0xA5);
    const QByteArray image = fwimage::decodeSecrecy(file);
    QCOMPARE(image.size(), 40 - 6);
    QCOMPARE(quint8(image[0]), quint8(quint8(file[0]) ^ 0x3C));
    QCOMPARE(quint8(image[9]), quint8(quint8(file[10]) ^ p.bytes[1]));
    QCOMPARE(quint8(image[23]), quint8(quint8(file[25]) ^ p.bytes[3]));
}

void TstUpdater::decodeFileWithoutKeyB()
{
    QByteArray file = counting(20, 1);
    file[9] = char(0xC3);
    const QByteArray image = fwimage::decodeSecrecy(file);
    QCOMPARE(image.size(), 20 - 1 - 4);
    // keyB counts as 0: the third pattern byte is keyA's odd bits only.
    QCOMPARE(quint8(image[2]), quint8(quint8(file[2]) ^ (0xC3 & 0xAA)));
    QCOMPARE(quint8(image[9]), quint8(file[10])); // pattern byte 1 is keyB = 0
    QCOMPARE(quint8(image[11]), quint8(quint8(file[12]) ^ quint8(~(0xC3 & 0xAA))));
}

void TstUpdater::decodeShortFiles()
{
    // Pattern 00 00 00 FF, nothing removed, the last 4 bytes dropped.
    QCOMPARE(fwimage::decodeSecrecy(bytes({1, 2, 3, 4, 5, 6, 7, 8, 9})),
             bytes({1, 2, 3, 4 ^ 0xFF, 5}));
    QCOMPARE(fwimage::decodeSecrecy(bytes({1, 2, 3, 4})), QByteArray());
    QCOMPARE(fwimage::decodeSecrecy(bytes({1, 2, 3})), bytes({1, 2, 3}));
    QCOMPARE(fwimage::decodeSecrecy(QByteArray()), QByteArray());
}

void TstUpdater::scrambleRoundTrip()
{
    for (int n = 0; n <= 80; ++n) {
        const QByteArray image = counting(n, n);
        const QByteArray file = fwimage::encodeSecrecy(image, 0x5C, 0x93, 0xDEADBEEF);
        QCOMPARE(fwimage::decodeSecrecy(file), image);
    }
    const QByteArray file = fwimage::encodeSecrecy(counting(100), 0x5C, 0x93, 0);
    QCOMPARE(file.size(), 106);
    QCOMPARE(quint8(file[9]), quint8(0x5C));
    QCOMPARE(quint8(file[24]), quint8(0x93));
}

void TstUpdater::blockCounts()
{
    using namespace bootloader;
    const int lengths[] = {0, 1023, 1024, 1025, 2047, 2048, 3000, 40960};
    const int data[] = {0, 0, 1, 2, 2, 2, 3, 40};
    const int crc[] = {0, 0, 0, 0, 0, 1, 2, 20};
    for (int i = 0; i < 8; ++i) {
        QCOMPARE(dataBlockCount(lengths[i]), data[i]);
        QCOMPARE(crcBlockCount(lengths[i]), crc[i]);
    }
}

void TstUpdater::progressStepNeverZero()
{
    QCOMPARE(bootloader::progressStep(10, 20), 9);
    // Rounded up: 720 frames report 90 times, never past the 100 the step owns.
    QCOMPARE(bootloader::progressStep(40, 100), 8);
    QCOMPARE(bootloader::progressStep(3, 20), 3);
    QCOMPARE(bootloader::progressStep(1, 100), 1);
    QCOMPARE(bootloader::progressStep(0, 100), 1);
}

void TstUpdater::commandsSetOnlyTheirBytes()
{
    using namespace bootloader;
    Command cmd;
    cmd.fill(0xEE);
    setDataEnd(cmd);
    QCOMPARE(int(cmd[0]), 0x5A);
    QCOMPARE(int(cmd[1]), 0xA4);
    QCOMPARE(int(cmd[2]), 0x00);
    QCOMPARE(int(cmd[3]), 0xEE);
    QCOMPARE(int(cmd[4]), 0x00);

    Command crc{};
    setFirstBlockCrc(crc);
    setBlockCrc(crc, 1);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(crc.data()), 8),
             bytes({0x5A, 0xA5, 0x00, 0x00, 0x68, 0x00, 0x00, 0x02}));

    Command addr{};
    setAddress(addr);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(addr.data()), 3), bytes({0x5A, 0xA7, 0}));
    QVERIFY(!answerOk(addr, Address));
    addr[2] = 0xFF;
    QVERIFY(answerOk(addr, Address));
    // A status byte alone is no answer: it must echo the command it answers.
    QVERIFY(!answerOk(addr, DataEnd));
    addr[0] = 0;
    QVERIFY(!answerOk(addr, Address));
}

void TstUpdater::jobLimitsKeepAddressesInRange()
{
    using updjob::FirstImageKind;
    // Boot loader: the last of 40 blocks is at 0xFC00; below 2 KiB nothing would be CRC-checked.
    bootloader::Command cmd{};
    bootloader::setBlockAddress(cmd, bootloader::kMaxBlocks - 1);
    QCOMPARE(int(cmd[4]), 0xFC);
    QCOMPARE(bootloader::dataBlockCount(updjob::kBootLoaderMaxBytes), bootloader::kMaxBlocks);
    QVERIFY(!updjob::firstImageSizeOk(FirstImageKind::BootLoader, 2047));
    QVERIFY(updjob::firstImageSizeOk(FirstImageKind::BootLoader, 2048));
    QVERIFY(updjob::firstImageSizeOk(FirstImageKind::BootLoader, 40960));
    QVERIFY(!updjob::firstImageSizeOk(FirstImageKind::BootLoader, 40961));
    // CH32: 16-bit offsets; the last chunk of the largest image still fits them.
    QVERIFY(!updjob::firstImageSizeOk(FirstImageKind::Ch32, 0));
    QVERIFY(updjob::firstImageSizeOk(FirstImageKind::Ch32, 1));
    QVERIFY(updjob::firstImageSizeOk(FirstImageKind::Ch32, 65535));
    QVERIFY(!updjob::firstImageSizeOk(FirstImageKind::Ch32, 65536));
    const int lastOffset = ch32::kChunkSize * (ch32::chunkCount(65535) - 1);
    const ch32::Frame last = ch32::chunkFrame(ch32::Write, lastOffset, counting(55));
    QCOMPARE(int(last.offsetLo | last.offsetHi << 8), lastOffset);

    QCOMPARE(updjob::firstImageKind("C_mouse.bin"), FirstImageKind::Ch32);
    QCOMPARE(updjob::firstImageKind("mouse.bin"), FirstImageKind::BootLoader);
    QCOMPARE(updjob::firstImageKind(""), FirstImageKind::None);
    QVERIFY(updjob::devImageWellFormed("7C1990A3FF010010"));
    QVERIFY(!updjob::devImageWellFormed("7C1990A3FF01001"));
    QVERIFY(!updjob::devImageWellFormed("7C1990A3FF0100100"));
    QVERIFY(!updjob::devImageWellFormed("7C1990A3FF01001G"));
    QVERIFY(!updjob::devImageWellFormed("7C190000FF010010")); // vendor 0
    QVERIFY(!updjob::devImageWellFormed("0000900AFF010010")); // product 0
}

void TstUpdater::dataFramesOfA3000ByteImage()
{
    const QByteArray original = counting(3000);
    QByteArray image = original;
    QByteArray payload;
    for (int b = 0; b < bootloader::dataBlockCount(original.size()); ++b) {
        for (int j = 0; j < bootloader::kFramesPerBlock; ++j) {
            const bootloader::DataFrame f = bootloader::takeDataFrame(image, j);
            QCOMPARE(int(f.prefix), 0x5A);
            QCOMPARE(int(f.code), 0xA3);
            QCOMPARE(int(f.zero), 0);
            const int length = j == 17 ? 4 : 60;
            QCOMPARE(int(f.length), length);
            payload.append(reinterpret_cast<const char*>(f.payload), length);
            if (j == 17)
                QCOMPARE(QByteArray(reinterpret_cast<const char*>(f.payload) + 4, 56),
                         QByteArray(56, char(0xFF)));
        }
    }
    QCOMPARE(payload.size(), 3072);
    QCOMPARE(payload.left(3000), original);
    QCOMPARE(payload.mid(3000), QByteArray(72, char(0xFF)));
}

void TstUpdater::crcAnswerIsBigEndian()
{
    bootloader::Command answer{};
    answer[4] = 0x01;
    answer[5] = 0x74;
    answer[6] = 0x55;
    answer[7] = 0x03;
    QCOMPARE(bootloader::answerCrc(answer), 0x01745503u);
}

void TstUpdater::ch32Chunks()
{
    QCOMPARE(ch32::chunkCount(0), 0);
    QCOMPARE(ch32::chunkCount(59), 1);
    QCOMPARE(ch32::chunkCount(118), 2);
    QCOMPARE(ch32::chunkCount(119), 3);
}

void TstUpdater::ch32FrameLayout()
{
    QByteArray expected(64, '\0');
    expected[0] = 0x04;
    expected[1] = char(0x81);
    expected[2] = 0x02;
    QCOMPARE(raw(ch32::eraseFrame()), expected);
    expected[1] = char(0x83);
    QCOMPARE(raw(ch32::finishFrame()), expected);

    const QByteArray chunk = counting(1, 9);
    const ch32::Frame write = ch32::chunkFrame(ch32::Write, 118, chunk);
    QCOMPARE(raw(write).left(6), bytes({0x04, 0x80, 0x01, 118, 0x00, 9}));
    QCOMPARE(raw(write).mid(6), QByteArray(58, '\0'));
    const ch32::Frame verify = ch32::chunkFrame(ch32::Verify, 0x1234, counting(59));
    QCOMPARE(raw(verify).left(5), bytes({0x04, 0x82, 0x3B, 0x34, 0x12}));
    QCOMPARE(raw(verify).mid(5), counting(59));
}

void TstUpdater::ch32Progress()
{
    QCOMPARE(ch32::writeProgress(0, 3, 100), 0);
    QCOMPARE(ch32::writeProgress(2, 3, 100), 33);
    QCOMPARE(ch32::verifyProgress(0, 3, 100), 50);
    QCOMPARE(ch32::verifyProgress(2, 3, 100), 83);
    QCOMPARE(ch32::writeProgress(1, 2, 20), 5);
}

void TstUpdater::shortCommands()
{
    const shortcmd::Bytes enter = shortcmd::enterBootLoader();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(enter.data()), 9),
             bytes({0x00, 0x1F, 0x5A, 0xA0, 0, 0, 0, 0, 0}));
    const shortcmd::Bytes query = shortcmd::queryModel();
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(query.data()), 9),
             bytes({0x00, 0xEF, 0, 0, 0, 0, 0, 0, 0}));
    const quint8 cs[7] = {0x5A, 0xA0, 0, 0, 0, 0, 0};
    QCOMPARE(int(shortcmd::checksum(cs)), 0x05);
    const shortcmd::Bytes answer = {0x00, 0xEF, 'Q', 'X', '-', 'M', '8', 'K', '!'};
    const auto model = shortcmd::modelFromAnswer(answer);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(model.data())), QByteArray("QX-M8K!"));
}

void TstUpdater::devImageDigitOrder()
{
    const DeviceId id = deviceIdFromImage("7C1990A3FF010010");
    QCOMPARE(id.vid, quint16(0x093A));
    QCOMPARE(id.pid, quint16(0xC791));
    QCOMPARE(id.usagePage, quint16(0xFF10));
    QCOMPARE(id.usage, quint16(0x0001));
    QCOMPARE(id.reportLength, 64);

    const DeviceId shortText = deviceIdFromImage("7C19");
    QCOMPARE(shortText.pid, quint16(0xC791));
    QCOMPARE(shortText.vid, quint16(0));
    QCOMPARE(shortText.usage, quint16(0));
    // c5 missing: vid is c4 c7 c6 -> the digits present, in their order.
    QCOMPARE(deviceIdFromImage("7C1990").vid, quint16(0x9));
    QCOMPARE(deviceIdFromImage("").pid, quint16(0));
    QCOMPARE(deviceIdFromImage("zzzz").pid, quint16(0));
}

void TstUpdater::restartWatch()
{
    using devwatch::RestartWatch;
    using Outcome = RestartWatch::Outcome;
    // Normal mode (entry 0) told to restart in the boot loader (entry 1); a second mouse and a
    // device already stuck in the boot loader were there before.
    const devwatch::Scan before = {{"mouse-a", "mouse-b"}, {"stuck"}, {}};
    RestartWatch enter(before, 0, "mouse-a", 1, {2});
    QCOMPARE(enter.observe(before), Outcome::Waiting);
    QCOMPARE(enter.observe({{"mouse-b", "mouse-c"}, {"stuck"}, {}}), Outcome::Waiting);
    QCOMPARE(enter.observe({{"mouse-b"}, {"stuck", "boot-a"}, {}}), Outcome::Back);
    QCOMPARE(enter.path(), QString("boot-a"));
    QCOMPARE(enter.entry(), 1);

    RestartWatch wrongMode(before, 0, "mouse-a", 1, {2});
    QCOMPARE(wrongMode.observe({{"mouse-b"}, {"stuck"}, {"iap-a"}}), Outcome::BackInWrongEntry);

    // Boot loader finished: back in normal mode, possibly under the node it had before, which
    // counts only once it was seen gone; showing up in the boot loader again is a failure.
    const devwatch::Scan finishing = {{"mouse-b"}, {"boot-a"}, {}};
    RestartWatch finish(finishing, 1, "boot-a", 0, {1, 2});
    QCOMPARE(finish.observe(finishing), Outcome::Waiting);
    QCOMPARE(finish.observe({{"mouse-b", "node-7"}, {}, {}}), Outcome::Back);
    QCOMPARE(finish.path(), QString("node-7"));
    RestartWatch sameNode(finishing, 1, "boot-a", 0, {1, 2});
    QCOMPARE(sameNode.observe({{"mouse-b"}, {}, {}}), Outcome::Waiting);
    QCOMPARE(sameNode.observe({{"mouse-b"}, {"boot-a"}, {}}), Outcome::BackInWrongEntry);

    // Where ports are known, a device plugged meanwhile into another port is not the one back.
    const auto portOf = [](const QString& path) { return path.section('-', 1, 1); };
    RestartWatch byPort(finishing, 1, "boot-a", 0, {1, 2}, "a", portOf);
    QCOMPARE(byPort.observe({{"mouse-b", "mouse-c"}, {"boot-c"}, {}}), Outcome::Waiting);
    QCOMPARE(byPort.observe({{"mouse-b", "mouse-c", "mouse-a"}, {}, {}}), Outcome::Back);
    QCOMPARE(byPort.path(), QString("mouse-a"));
}

void TstUpdater::deviceListOrder()
{
    const QList<DeviceId> list = buildDeviceList(deviceIdFromImage("7C1990A3FF010010"));
    QCOMPARE(list.size(), 3);
    QCOMPARE(list[0].pid, quint16(0xC791));
    QCOMPARE(list[1].vid, quint16(0x2E3C));
    QCOMPARE(list[1].pid, quint16(0xAF01));
    QCOMPARE(list[1].usagePage, quint16(0x00FF));
    QCOMPARE(list[2].vid, quint16(0x093A));
    QCOMPARE(list[2].pid, quint16(0xC799));
    QCOMPARE(list[2].usagePage, quint16(0xFF01));
    QCOMPARE(list[2].usage, quint16(1));
}

void TstUpdater::versionTexts()
{
    QCOMPARE(versionText(0x0105), QString("v105"));
    QCOMPARE(versionText(0x0112), QString("v118"));
    QCOMPARE(versionText(0x1234), QString("v1852"));
    QCOMPARE(versionText(0x0025), QString("v037"));
    QCOMPARE(checksumText(0x0A5F), QString("a5f"));
    QCOMPARE(checksumText(0), QString("0"));
}

void TstUpdater::engineImageFile()
{
    const QByteArray image = counting(500);
    const QByteArray file = esproto::makeImageFile(image);
    QCOMPARE(file.left(4), QByteArray("QXES"));
    QCOMPARE(esproto::parseImageFile(file).value_or(QByteArray("x")), image);
    QCOMPARE(esproto::parseImageFile(esproto::makeImageFile(QByteArray())).value_or("x"),
             QByteArray());

    QByteArray badCrc = file;
    badCrc[100] = char(badCrc[100] ^ 1);
    QVERIFY(!esproto::parseImageFile(badCrc));
    QVERIFY(!esproto::parseImageFile(file.left(file.size() - 1)));
    QVERIFY(!esproto::parseImageFile(file + 'x'));
    QByteArray badMagic = file;
    badMagic[0] = 'X';
    QVERIFY(!esproto::parseImageFile(badMagic));
    QVERIFY(!esproto::parseImageFile(QByteArray("QXES")));
}

void TstUpdater::engineRequestsRoundTrip()
{
    const esproto::Report begin = esproto::beginRequest(0x01020304, 0xA1B2C3D4);
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(begin.data()), 10),
             bytes({0x06, 0x10, 0x04, 0x03, 0x02, 0x01, 0xD4, 0xC3, 0xB2, 0xA1}));
    const auto parsedBegin = esproto::parseRequest(begin.data(), 64);
    QVERIFY(parsedBegin);
    QCOMPARE(parsedBegin->value, 0x01020304u);
    QCOMPARE(parsedBegin->crc, 0xA1B2C3D4u);

    const esproto::Report data = esproto::dataRequest(114, counting(57));
    const auto parsedData = esproto::parseRequest(data.data(), 64);
    QVERIFY(parsedData);
    QCOMPARE(parsedData->opcode, esproto::Data);
    QCOMPARE(parsedData->value, 114u);
    QCOMPARE(parsedData->data, counting(57));
    QVERIFY(!esproto::parseRequest(data.data(), 63));
    esproto::Report unknown = data;
    unknown[1] = 0x77;
    QVERIFY(!esproto::parseRequest(unknown.data(), 64));

    esproto::VersionInfo info;
    info.version = 0x0112;
    info.checksum = 0xBEEF;
    std::memcpy(info.configVersion, "C0105", 5);
    const esproto::Report answer = esproto::answer(0, info);
    QVERIFY(esproto::answerOk(answer, esproto::kReportSize, esproto::kVersionAnswerBytes));
    // An answer cut short is no answer, whatever the rest of the buffer holds.
    QVERIFY(esproto::answerOk(answer, esproto::kStatusAnswerBytes));
    QVERIFY(!esproto::answerOk(answer, 1));
    QVERIFY(!esproto::answerOk(answer, 0));
    QVERIFY(
        !esproto::answerOk(answer, esproto::kVersionAnswerBytes - 1, esproto::kVersionAnswerBytes));
    const esproto::VersionInfo back = esproto::parseVersion(answer);
    QCOMPARE(back.version, quint16(0x0112));
    QCOMPARE(back.checksum, quint16(0xBEEF));
    QCOMPARE(QByteArray(reinterpret_cast<const char*>(back.configVersion), 5), QByteArray("C0105"));
    QVERIFY(!esproto::answerOk(esproto::answer(1), esproto::kReportSize));
}

void TstUpdater::shippedTestFolder()
{
    const QString folder = QStringLiteral(QUILLEX_SOURCE_DIR "/tests/updater/images/");
    QFile b0(folder + "b0/firmware.bin");
    QFile b1(folder + "b1/engine.bin");
    QVERIFY(b0.open(QIODevice::ReadOnly) && b1.open(QIODevice::ReadOnly));
    const QByteArray image = fwimage::decodeSecrecy(b0.readAll());
    QCOMPARE(image, testfw::plainImage(3000, 0x0123));
    const auto* bytes = reinterpret_cast<const quint8*>(image.constData());
    QCOMPARE(fwimage::imageBlockCrc(bytes), 0x84991204u);
    QByteArray rest = image.mid(2048);
    QCOMPARE(fwimage::imageBlockCrc(
                 reinterpret_cast<const quint8*>(fwimage::takePadded(rest, 2048).constData())),
             0xE7E3C77Bu);
    QCOMPARE(esproto::parseImageFile(b1.readAll()).value_or(QByteArray()),
             testfw::plainImage(1000, 0x0123, 2, testfw::ImageKind::Engine));
}

QTEST_APPLESS_MAIN(TstUpdater)
#include "tst_updater.moc"
