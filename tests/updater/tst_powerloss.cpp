// Power lost after every transfer of an update, for a boot-loader image and a CH32 image: the
// device comes back in the mode its flash implies, the interrupted run never claims success for
// an image the device does not run, and a rerun with the same folder always restores a working
// device.
#include "tests/updater/interruptedupdate.h"

#include "tests/updater/firmwarefolder.h"

#include <QTemporaryDir>
#include <QtTest>

namespace
{

constexpr quint16 kOldRelease = 0x0104; // what the virtual mouse runs when plugged
constexpr quint16 kNewVersion = 0x0500;
// The interrupted run may wait out the updater's 15 s for a device to come back from a restart
// (power lost right after the enter command brings the old firmware back instead); process start
// and the steps before take a few seconds more.
constexpr int kBoundMs = 20000;
constexpr int kWorkers = 4;

struct Sweep {
    const char* name;
    const char* b0Name;
    int imageBytes;
    const char* mode;
    const char* imageRegion;
};

// 3 boot-loader blocks and 2 CRC blocks; 17 CH32 chunks written and verified.
const Sweep kSweeps[] = {{"boot loader", "mouse.bin", 3000, "bootloader", "flash"},
                         {"CH32", "C_mouse.bin", 1000, "ch32", "iap-image"}};

QByteArray imageOf(const Sweep& s)
{
    return testfw::plainImage(s.imageBytes, kNewVersion, 3, testfw::firstImageKind(s.b0Name));
}

// The image as the device holds it: the boot loader's flash from 0x6000, the CH32's written run.
QByteArray heldImage(const Sweep& s, const QByteArray& region)
{
    return QString(s.imageRegion) == "flash" ? region.mid(0x6000, s.imageBytes) : region;
}

// Transfers the virtual device counts towards a power loss: every report sent or fetched, and
// every input report read (a read that timed out moved nothing).
int transferCount(const QList<TraceLine>& trace)
{
    int n = 0;
    for (const TraceLine& t : trace) {
        if (!t.path.startsWith("sim/dev/"))
            continue;
        if (t.op == "read" ? t.result > 0
                           : (t.op == "write" || t.op == "send-feature" || t.op == "get-feature"))
            ++n;
    }
    return n;
}

QString releaseText(quint16 release)
{
    return QString("%1").arg(release, 4, 16, QChar('0'));
}

// Where the device was after the interrupted run, for the summary.
QString whereItCameBack(const QString& state)
{
    const QString release = normalModeRelease(state);
    if (release == releaseText(kOldRelease))
        return "old firmware";
    if (release == releaseText(kNewVersion))
        return "new firmware";
    return state.section(" (", 1, 1).section(')', 0, 0); // the updater mode's product name
}

} // namespace

class TstPowerLoss : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void powerLoss_data();
    void powerLoss();

private:
    QTemporaryDir work;
    QString binDir;
    // Per sweep: the interrupted updates, the k-th after transfer k + 1.
    QList<QList<InterruptedUpdate>> results;
};

void TstPowerLoss::initTestCase()
{
    binDir = qEnvironmentVariable("QUILLEX_BIN_DIR");
    QVERIFY2(!binDir.isEmpty(), "QUILLEX_BIN_DIR names the build's bin folder");
    SimDaemon sim;
    QVERIFY(sim.start(binDir, work.filePath("count.sock")));
    QList<Interruption> cases;
    QList<int> counts;
    for (const Sweep& s : kSweeps) {
        testfw::Folder f;
        f.devImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);
        f.b0Name = s.b0Name;
        f.b0File = testfw::firstImageFile(imageOf(s));
        const QString folder = work.filePath(QString(s.mode) + "/");
        QVERIFY(testfw::writeFolder(folder, f));
        const QStringList setup{"plug fw-mouse dev", QString("do dev updater-mode ") + s.mode};

        // A clean update tells how many transfers there are to interrupt.
        sim.control({"reset"});
        for (const QString& command : setup)
            sim.control(command.split(' '));
        const UpdateRun clean =
            sim.runUpdate(binDir + "/updateEx/update", {folder, "-s", "-r"}, 30000);
        QCOMPARE(clean.exitCode, 0);
        counts << transferCount(sim.trace());
        QVERIFY2(counts.last() >= 50, "fewer transfers than points the sweep needs");
        for (int k = 1; k <= counts.last(); ++k)
            cases << Interruption{folder,
                                  setup +
                                      QStringList{QString("fault dev power-loss-after %1").arg(k)},
                                  kBoundMs + 15000,
                                  {s.imageRegion}};
    }
    sim.stop();

    QElapsedTimer clock;
    clock.start();
    const QList<InterruptedUpdate> all = runInterrupted(binDir, work.path(), cases, kWorkers);
    qInfo("%d power losses in %lld s with %d workers", int(all.size()), clock.elapsed() / 1000,
          kWorkers);
    int at = 0;
    for (int i = 0; i < counts.size(); ++i) {
        results << all.mid(at, counts[i]);
        at += counts[i];
        // Where the device came back and how the interrupted run ended, per point.
        QMap<QString, int> outcomes;
        for (const InterruptedUpdate& r : results.last())
            ++outcomes[QString("exit %1, %2")
                           .arg(r.first.exitCode)
                           .arg(whereItCameBack(r.stateAfterFirst))];
        for (auto it = outcomes.cbegin(); it != outcomes.cend(); ++it)
            qInfo("%s: %d × %s", kSweeps[i].name, it.value(), qPrintable(it.key()));
    }
}

void TstPowerLoss::powerLoss_data()
{
    QTest::addColumn<int>("sweep");
    QTest::addColumn<int>("k");
    for (int i = 0; i < results.size(); ++i)
        for (int k = 1; k <= results[i].size(); ++k)
            QTest::addRow("%s, after transfer %d", kSweeps[i].name, k) << i << k;
}

void TstPowerLoss::powerLoss()
{
    QFETCH(int, sweep);
    QFETCH(int, k);
    const Sweep& s = kSweeps[sweep];
    const InterruptedUpdate& r = results[sweep][k - 1];
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QVERIFY2(!r.stateAfterFirst.contains("power-loss-after"), "the update ended before transfer k");

    QVERIFY2(r.first.finished, "the updater hung");
    QVERIFY2(r.first.ms <= kBoundMs, qPrintable(QString("%1 ms").arg(r.first.ms)));
    QVERIFY2(r.first.exitCode == 0 || r.first.exitCode == 1, qPrintable(r.first.errors));
    // Success, and completion reported, only when the device runs the new image.
    const bool runsNew = normalModeRelease(r.stateAfterFirst) == releaseText(kNewVersion);
    QVERIFY2((r.first.exitCode == 0) == runsNew,
             qPrintable(QString("exit %1, device: %2\n%3")
                            .arg(r.first.exitCode)
                            .arg(r.stateAfterFirst.section('\n', 0, 0))
                            .arg(r.first.errors)));
    QCOMPARE(r.first.lines.contains("100"), runsNew);

    QVERIFY2(r.rerun.finished, "the rerun hung");
    QVERIFY2(r.rerun.exitCode == 0, qPrintable(QString("rerun exit %1, device before it: %2\n%3")
                                                   .arg(r.rerun.exitCode)
                                                   .arg(r.stateAfterFirst.section('\n', 0, 0))
                                                   .arg(r.rerun.errors)));
    QCOMPARE(normalModeRelease(r.stateAfterRerun), releaseText(kNewVersion));
    QCOMPARE(heldImage(s, r.memory.value(s.imageRegion)), imageOf(s));
}

QTEST_GUILESS_MAIN(TstPowerLoss)
#include "tst_powerloss.moc"
