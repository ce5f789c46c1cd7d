// Wall time of whole `update` runs against virtual devices that answer at once (the quillex-sim
// daemon and its drop-in hidapi), as a ratio to the pauses the protocol prescribes: 10 ms after
// every output report of the boot-loader protocol. The CH32 IAP protocol prescribes no pause, so
// for it the time per feature-report exchange is the number to watch. The process start-up and
// the device's CRC and flash work are included, so this is what a caller of `update` waits.

// The virtual bus comes before any Qt header: it has a member named like Qt's `slots` keyword.
#include "sim/client.h"

#include "updater/bootloaderprotocol.h"
#include "updater/ch32protocol.h"
#include "updater/firmwareimage.h"

#include "tests/updater/firmwarefolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int kRuns = 3;
constexpr double kTarget = 1.03;
constexpr double kReportGapMs = 10.0;

QString bin = QStringLiteral(QUILLEX_BIN_DIR);
QString socketPath;

bool control(const std::vector<std::string>& args)
{
    return sim::controlDaemon(args, socketPath.toStdString()).status == 0;
}

// A firmware folder with one first image of `size` bytes; name "C..." selects the CH32 protocol.
// Size 0 names no image: the updater then starts, checks its job and ends at once.
QString writeFolder(const QTemporaryDir& dir, const QString& name, int size)
{
    testfw::Folder folder;
    folder.devImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);
    if (size > 0) {
        folder.b0Name = name;
        folder.b0File = testfw::firstImageFile(
            testfw::plainImage(size, 0x0104, 1, testfw::firstImageKind(name)));
    }
    const QString prefix = dir.filePath(name + "/");
    testfw::writeFolder(prefix, folder);
    return prefix;
}

// Median wall time in ms of runs of `update` with the device plugged as `kind` before each.
double medianRunMs(const QString& folder, const char* kind, int& exitCode)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        control({"reset"});
        control({"plug", kind, "dev"});
        QProcess update;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLEX_SIM_SOCKET", socketPath);
        env.insert("LD_LIBRARY_PATH", bin + "/sim");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        update.setProcessEnvironment(env);
        QElapsedTimer clock;
        clock.start();
        update.start(bin + "/updateEx/update", {folder, "-s", "-r"});
        update.waitForFinished(120000);
        times.push_back(clock.nsecsElapsed() / 1e6);
        exitCode = update.exitCode();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    socketPath = dir.filePath("sim.sock");
    QProcess daemon;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLEX_SIM_SOCKET", socketPath);
    daemon.setProcessEnvironment(env);
    daemon.start(bin + "/sim/quillex-sim", {"serve"});
    for (int i = 0; i < 200 && !control({"ping"}); ++i)
        QThread::msleep(10);
    if (!control({"ping"})) {
        std::fprintf(stderr, "quillex-sim does not answer\n");
        return 1;
    }

    // Boot loader, 40 KiB: address, data begin, 40 x (block address + 18 data frames), data end,
    // 20 CRC blocks, finish; every one an output report followed by 10 ms.
    const int blSize = 40 * 1024;
    const int blReports = 4 +
                          bootloader::dataBlockCount(blSize) * (1 + bootloader::kFramesPerBlock) +
                          bootloader::crcBlockCount(blSize);
    const double blPrescribed = blReports * kReportGapMs;
    int blExit = -1;
    const double blMs = medianRunMs(writeFolder(dir, "mouse.bin", blSize), "bootloader", blExit);

    // CH32, the largest image its 16-bit offsets address: erase, write and verify in 59-byte
    // chunks, finish; no prescribed pause.
    const int iapSize = 64 * 1024 - 1;
    const int iapExchanges = 2 + 2 * ch32::chunkCount(iapSize);
    int iapExit = -1;
    const double iapMs = medianRunMs(writeFolder(dir, "C_mouse.bin", iapSize), "ch32iap", iapExit);

    // Process start-up, the job's check and shutdown, with nothing to write.
    int idleExit = -1;
    const double idleMs = medianRunMs(writeFolder(dir, "none", 0), "fw-mouse", idleExit);

    daemon.terminate();
    daemon.waitForFinished();

    const double ratio = blMs / blPrescribed;
    const double protocolRatio = (blMs - idleMs) / blPrescribed;
    std::printf("update, boot loader 40 KiB: %.0f ms for %d reports, prescribed %.0f ms: "
                "ratio %.3f (target <= %.2f) %s, exit %d\n",
                blMs, blReports, blPrescribed, ratio, kTarget, ratio <= kTarget ? "ok" : "MISSED",
                blExit);
    std::printf("  of which start-up and shutdown %.0f ms; the protocol alone: ratio %.3f\n",
                idleMs, protocolRatio);
    std::printf("update, CH32 64 KiB - 1: %.0f ms for %d exchanges, %.3f ms each "
                "(no prescribed pause), exit %d\n",
                iapMs, iapExchanges, iapMs / iapExchanges, iapExit);
    return blExit == 0 && iapExit == 0 ? 0 : 1;
}
