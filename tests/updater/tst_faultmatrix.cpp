// Every fault the virtual devices offer at every step of each update path, with the real
// `update`: the run that meets the fault ends with exit code 1 within a stated bound and never
// reports completion, and a rerun with the same folder, the fault gone as after a retry or a
// replug, leaves the device running the new image.
#include "tests/updater/interruptedupdate.h"

#include "tests/updater/firmwarefolder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

enum class Path { BootLoader, Ch32, Engine, Both };

// How the updater learns of the fault, which bounds the failing run. The updater's own limits:
// 500 ms per answer, 255 × 8 ms for the device to become free, 15 s for a device to come back
// from a restart. A whole clean update of these images takes about 2 s, and a process start with
// its device scan up to 1 s; each bound leaves that much room plus the limit that applies.
enum class Noticed {
    Answer,  // a missing, refused or wrong answer, or a transfer that fails: 0.5 + 2 + 3.5 s
    Restart, // a restart the device does not complete: the 15 s wait + 5 s
};

int boundMs(Noticed noticed)
{
    return noticed == Noticed::Answer ? 6000 : 20000;
}

// One case: the path, the step it hits, the fault, and the device command that plans it
// ("do dev fault <plan>": step, kind, and which occurrence of the step from now on).
struct MatrixCase {
    Path path;
    const char* step;
    const char* fault;
    const char* plan;
    Noticed noticed;
};

// Boot-loader image of 3000 bytes: 3 blocks of 18 data frames (54 frames), 2 CRC blocks.
// CH32 image of 3000 bytes: 51 chunks written, then 51 verified.
// Engine image of 3000 bytes: 53 data transfers of at most 57 bytes.
constexpr Path B = Path::BootLoader, C = Path::Ch32, E = Path::Engine, X = Path::Both;
constexpr Noticed A = Noticed::Answer, R = Noticed::Restart;
const MatrixCase kCases[] = {
    {B, "enter updater mode", "refusal", "enter status", R},
    {B, "enter updater mode", "never coming back", "enter never-back", R},
    {B, "address", "time-out", "address timeout", A},
    {B, "address", "refusal", "address status", A},
    {B, "address", "wrong status", "address wrong-status", A},
    {B, "address", "garbage", "address garbage", A},
    {B, "address", "short answer", "address short", A},
    {B, "address", "disconnect", "address disconnect", A},
    {B, "erase (data begin)", "time-out", "begin timeout", A},
    {B, "erase (data begin)", "refusal", "begin status", A},
    {B, "erase (data begin)", "wrong status", "begin wrong-status", A},
    {B, "erase (data begin)", "garbage", "begin garbage", A},
    {B, "erase (data begin)", "disconnect", "begin disconnect", A},
    {B, "first block address", "time-out", "block timeout", A},
    {B, "first block address", "refusal", "block status", A},
    {B, "first block address", "wrong status", "block wrong-status", A},
    {B, "first block address", "garbage", "block garbage", A},
    {B, "first block address", "disconnect", "block disconnect", A},
    {B, "first data frame", "refusal", "data status", A},
    {B, "first data frame", "disconnect", "data disconnect", A},
    {B, "middle block address", "time-out", "block timeout 2", A},
    {B, "middle block address", "garbage", "block garbage 2", A},
    {B, "middle block address", "disconnect", "block disconnect 2", A},
    {B, "middle data frame", "refusal", "data status 28", A},
    {B, "middle data frame", "disconnect", "data disconnect 28", A},
    {B, "last block address", "refusal", "block status 3", A},
    {B, "last block address", "wrong status", "block wrong-status 3", A},
    {B, "last block address", "disconnect", "block disconnect 3", A},
    // Frame 52 carries the image's last bytes; the two after it carry only padding, which an
    // erased flash holds already.
    {B, "last data frame", "refusal", "data status 52", A},
    {B, "last data frame", "disconnect", "data disconnect 52", A},
    {B, "data end", "time-out", "end timeout", A},
    {B, "data end", "refusal", "end status", A},
    {B, "data end", "wrong status", "end wrong-status", A},
    {B, "data end", "garbage", "end garbage", A},
    {B, "data end", "disconnect", "end disconnect", A},
    {B, "first CRC block", "wrong CRC", "crc crc", A},
    {B, "last CRC block", "wrong CRC", "crc crc 2", A},
    {B, "first CRC block", "time-out", "crc timeout", A},
    {B, "first CRC block", "refusal", "crc status", A},
    {B, "last CRC block", "wrong status", "crc wrong-status 2", A},
    {B, "last CRC block", "garbage", "crc garbage 2", A},
    {B, "last CRC block", "short answer", "crc short 2", A},
    {B, "first CRC block", "disconnect", "crc disconnect", A},
    {B, "finish, restart wait", "refusal", "finish status", R},
    {B, "finish, restart wait", "disconnect", "finish disconnect", R},
    {B, "finish, restart wait", "never coming back", "finish never-back", R},

    {C, "enter updater mode", "refusal", "enter status", R},
    {C, "enter updater mode", "never coming back", "enter never-back", R},
    {C, "erase", "time-out", "erase timeout", A},
    {C, "erase", "refusal", "erase status", A},
    {C, "erase", "wrong status", "erase wrong-status", A},
    {C, "erase", "garbage", "erase garbage", A},
    {C, "erase", "short answer", "erase short", A},
    {C, "erase", "disconnect", "erase disconnect", A},
    {C, "first write", "time-out", "write timeout", A},
    {C, "first write", "refusal", "write status", A},
    {C, "first write", "wrong status", "write wrong-status", A},
    {C, "first write", "garbage", "write garbage", A},
    {C, "first write", "short answer", "write short", A},
    {C, "first write", "disconnect", "write disconnect", A},
    {C, "middle write", "refusal", "write status 26", A},
    {C, "middle write", "garbage", "write garbage 26", A},
    {C, "middle write", "disconnect", "write disconnect 26", A},
    {C, "last write", "time-out", "write timeout 51", A},
    {C, "last write", "wrong status", "write wrong-status 51", A},
    {C, "last write", "short answer", "write short 51", A},
    {C, "last write", "disconnect", "write disconnect 51", A},
    {C, "first verify", "time-out", "verify timeout", A},
    {C, "first verify", "refusal", "verify status", A},
    {C, "first verify", "wrong status", "verify wrong-status", A},
    {C, "first verify", "garbage", "verify garbage", A},
    {C, "first verify", "disconnect", "verify disconnect", A},
    {C, "middle verify", "refusal", "verify status 26", A},
    {C, "middle verify", "disconnect", "verify disconnect 26", A},
    {C, "middle verify", "short answer", "verify short 26", A},
    {C, "last verify", "time-out", "verify timeout 51", A},
    {C, "last verify", "wrong status", "verify wrong-status 51", A},
    {C, "last verify", "garbage", "verify garbage 51", A},
    {C, "last verify", "disconnect", "verify disconnect 51", A},
    {C, "finish, restart wait", "time-out", "iap-finish timeout", R},
    {C, "finish, restart wait", "refusal", "iap-finish status", R},
    {C, "finish, restart wait", "disconnect", "iap-finish disconnect", R},
    {C, "finish, restart wait", "never coming back", "iap-finish never-back", R},

    {E, "begin", "time-out", "es-begin timeout", A},
    {E, "begin", "refusal", "es-begin status", A},
    {E, "begin", "wrong status", "es-begin wrong-status", A},
    {E, "begin", "garbage", "es-begin garbage", A},
    {E, "begin", "short answer", "es-begin short", A},
    {E, "begin", "disconnect", "es-begin disconnect", A},
    {E, "first block", "time-out", "es-data timeout", A},
    {E, "first block", "refusal", "es-data status", A},
    {E, "first block", "wrong status", "es-data wrong-status", A},
    {E, "first block", "garbage", "es-data garbage", A},
    {E, "first block", "short answer", "es-data short", A},
    {E, "first block", "disconnect", "es-data disconnect", A},
    {E, "middle block", "refusal", "es-data status 27", A},
    {E, "middle block", "garbage", "es-data garbage 27", A},
    {E, "middle block", "short answer", "es-data short 27", A},
    {E, "middle block", "disconnect", "es-data disconnect 27", A},
    {E, "last block", "time-out", "es-data timeout 53", A},
    {E, "last block", "wrong status", "es-data wrong-status 53", A},
    {E, "last block", "disconnect", "es-data disconnect 53", A},
    {E, "end, image check", "time-out", "es-end timeout", A},
    {E, "end, image check", "refusal", "es-end status", A},
    {E, "end, image check", "wrong status", "es-end wrong-status", A},
    {E, "end, image check", "garbage", "es-end garbage", A},
    {E, "end, image check", "short answer", "es-end short", A},
    {E, "end, image check", "disconnect", "es-end disconnect", A},
    {E, "restart wait", "never coming back", "es-end never-back", R},

    {X, "first image, first CRC block", "wrong CRC", "crc crc", A},
    {X, "first image, middle block address", "disconnect", "block disconnect 2", A},
    {X, "restart between the images", "never coming back", "finish never-back", R},
    {X, "second image, begin", "refusal", "es-begin status", A},
    {X, "second image, first block", "time-out", "es-data timeout", A},
    {X, "second image, middle block", "disconnect", "es-data disconnect 27", A},
    {X, "second image, end", "wrong status", "es-end wrong-status", A},
    {X, "second image, restart wait", "never coming back", "es-end never-back", R},
};

const char* pathName(Path path)
{
    switch (path) {
    case Path::BootLoader:
        return "boot loader";
    case Path::Ch32:
        return "CH32";
    case Path::Engine:
        return "engine";
    default:
        return "both images";
    }
}

constexpr int kImageBytes = 3000;
constexpr quint16 kFirstVersion = 0x0300;
constexpr quint16 kEngineVersion = 0x0301;
// Workers running cases side by side; most of a case is spent waiting on the device.
constexpr int kWorkers = 4;

const QByteArray& bootImage()
{
    static const QByteArray image =
        testfw::plainImage(kImageBytes, kFirstVersion, 1, testfw::ImageKind::BootLoader);
    return image;
}

const QByteArray& ch32Image()
{
    static const QByteArray image =
        testfw::plainImage(kImageBytes, kFirstVersion, 1, testfw::ImageKind::Ch32);
    return image;
}

const QByteArray& engineImage()
{
    static const QByteArray image =
        testfw::plainImage(kImageBytes, kEngineVersion, 2, testfw::ImageKind::Engine);
    return image;
}

testfw::Folder folderFor(Path path)
{
    testfw::Folder f;
    f.devImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);
    if (path == Path::Ch32) {
        f.b0Name = "C_mouse.bin";
        f.b0File = testfw::firstImageFile(ch32Image());
    } else if (path != Path::Engine) {
        f.b0Name = "mouse.bin";
        f.b0File = testfw::firstImageFile(bootImage());
    }
    if (path == Path::Engine || path == Path::Both) {
        f.b1Name = "engine.bin";
        f.b1File = testfw::engineImageFile(engineImage());
    }
    return f;
}

} // namespace

class TstFaultMatrix : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void faultMatrix_data();
    void faultMatrix();

private:
    QTemporaryDir work;
    QList<InterruptedUpdate> results;
};

void TstFaultMatrix::initTestCase()
{
    const QString binDir = qEnvironmentVariable("QUILLEX_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "QUILLEX_BIN_DIR names the build's bin folder");
    QMap<Path, QString> folders;
    for (Path path : {Path::BootLoader, Path::Ch32, Path::Engine, Path::Both}) {
        folders[path] = work.filePath(QString("fw%1/").arg(int(path)));
        QVERIFY(testfw::writeFolder(folders[path], folderFor(path)));
    }
    QList<Interruption> cases;
    for (const MatrixCase& c : kCases) {
        Interruption i;
        i.folder = folders[c.path];
        i.setup = QStringList{"plug fw-mouse dev",
                              c.path == Path::Ch32 ? "do dev updater-mode ch32"
                                                   : "do dev updater-mode bootloader",
                              QString("do dev fault ") + c.plan};
        // A run past its bound has failed already; the extra time tells a slow run from a hang.
        i.killAfterMs = boundMs(c.noticed) + 15000;
        i.regions = QStringList{c.path == Path::Ch32 ? "iap-image" : "flash", "engine-image"};
        cases << i;
    }
    QElapsedTimer clock;
    clock.start();
    results = runInterrupted(binDir, work.path(), cases, kWorkers);
    qInfo("%d cases in %lld s with %d workers", int(cases.size()), clock.elapsed() / 1000,
          kWorkers);
}

void TstFaultMatrix::faultMatrix_data()
{
    QTest::addColumn<int>("index");
    for (int i = 0; i < int(std::size(kCases)); ++i) {
        const MatrixCase& c = kCases[i];
        QTest::addRow("%s: %s, %s", pathName(c.path), c.step, c.fault) << i;
    }
}

void TstFaultMatrix::faultMatrix()
{
    QFETCH(int, index);
    const MatrixCase& c = kCases[index];
    const InterruptedUpdate& r = results.value(index);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));

    // The run that meets the fault.
    QVERIFY2(r.first.finished, "the updater hung");
    QVERIFY2(
        r.first.exitCode == 1,
        qPrintable(
            QString("exit %1 on a failed update\n%2").arg(r.first.exitCode).arg(r.first.errors)));
    QVERIFY2(!r.first.lines.contains("100"), "completion reported on a failed update");
    QVERIFY2(r.first.ms <= boundMs(c.noticed),
             qPrintable(QString("%1 ms, bound %2 ms").arg(r.first.ms).arg(boundMs(c.noticed))));

    // The rerun restores the device.
    QVERIFY2(r.rerun.finished, "the rerun hung");
    QVERIFY2(r.rerun.exitCode == 0,
             qPrintable(QString("rerun exit %1%2\n%3")
                            .arg(r.rerun.exitCode)
                            .arg(r.replugged ? " after a replug" : "")
                            .arg(r.rerun.errors + "\n" + r.stateAfterFirst.section('\n', 0, 5))));
    QCOMPARE(r.rerun.lines.value(r.rerun.lines.size() - 1), QString("100"));
    const bool engineToo = c.path == Path::Engine || c.path == Path::Both;
    QCOMPARE(normalModeRelease(r.stateAfterRerun),
             QString("%1").arg(engineToo ? kEngineVersion : kFirstVersion, 4, 16, QChar('0')));
    if (c.path == Path::Ch32)
        QCOMPARE(r.memory.value("iap-image"), ch32Image());
    else if (c.path != Path::Engine)
        QCOMPARE(r.memory.value("flash").mid(0x6000, kImageBytes), bootImage());
    if (engineToo)
        QCOMPARE(r.memory.value("engine-image"), engineImage());
}

QTEST_GUILESS_MAIN(TstFaultMatrix)
#include "tst_faultmatrix.moc"
