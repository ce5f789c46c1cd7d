// Start-up and idle figures of quillex against the virtual devices, beside a Qt Quick window that
// shows one text (the floor: same Qt, same renderer). Runs alternate between the programs on an X
// server of the benchmark's own, with a stand-in system tray, and the medians are printed:
//   exec → first painted frame, resident memory 10 s after it, resident memory 10 s after hiding
//   to the tray and the paint after showing again (quillex), CPU time and wake-ups from 10 s to
//   40 s after the first frame (quillex with the mouse selected, and with no device), threads.
// Options: --runs N (5), --idle SECONDS (30).
#include "bench/startup/framewatch.h"
#include "bench/startup/processsample.h"
#include "tests/app/xdisplay.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <vector>

namespace
{
constexpr int kSettleSeconds = 10;

struct Figures {
    std::vector<double> firstFrameMs, residentMiB, anonymousMiB, trayResidentMiB, showSameMs,
        secondStartSameMs, cpuPercent, wakeUpsPerSecond;
    QStringList threads;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void sleepSeconds(double seconds)
{
    QThread::msleep(static_cast<unsigned long>(seconds * 1000));
}

class Bench
{
public:
    Bench(int idleSeconds) : idle(idleSeconds) {}

    bool setUp()
    {
        xserver.start("Xvfb",
                      {"-displayfd", "1", "-screen", "0", "1920x1080x24", "-nolisten", "tcp"});
        if (!xserver.waitForStarted())
            return fail("Xvfb is missing");
        while (!display.endsWith('\n') && xserver.waitForReadyRead(10000))
            display += xserver.readAllStandardOutput();
        display = ':' + display.trimmed();
        x = std::make_unique<XDisplay>(display);
        tray = std::make_unique<XDisplay::SystemTray>(*x);
        if (!x->ok() || !tray->owned())
            return fail("no X display of our own");

        const QString bin = QStringLiteral(QUILLEX_BIN_DIR);
        // "No device" is a bus with nothing plugged, as a machine without the mouse has.
        emptySocket = work.path() + "/empty.sock";
        simSocket = work.path() + "/sim.sock";
        if (!sim(emptySocket, {"serve", "--detach"}) || !sim(simSocket, {"serve", "--detach"}) ||
            !sim(simSocket, {"plug", "mouse", "mouse"}) ||
            !sim(simSocket, {"plug", "receiver8k", "receiver8k"}))
            return fail("the virtual devices did not start");
        // The app resolves ./modules beside its executable: it runs from a copy of its own.
        QDir().mkpath(work.path() + "/app");
        return QFile::copy(bin + "/quillex", work.path() + "/app/quillex") ||
               fail("no quillex in " + bin);
    }

    ~Bench()
    {
        for (const QString& socket : {simSocket, emptySocket})
            if (!socket.isEmpty())
                sim(socket, {"stop"});
        tray.reset();
        x.reset();
        xserver.terminate();
        xserver.waitForFinished();
    }

    // One run of quillex: start, idle, hide to the tray, show again.
    void runQuillex(Figures& withDevice, Figures& noDevice, bool deviceOnline)
    {
        freshSettings();
        Figures& figures = deviceOnline ? withDevice : noDevice;
        FrameWatch watch(display);
        QProcess app;
        QElapsedTimer clock;
        clock.start();
        start(app, work.path() + "/app/quillex", deviceOnline);
        const std::optional<FrameWatch::Painted> painted =
            watch.waitForPaintedWindow(400, 300, 30000);
        if (!painted)
            return (void)fail("quillex painted no window");
        figures.firstFrameMs.push_back(double(clock.elapsed()));
        if (deviceOnline && !openMouse(app))
            return (void)fail("the mouse's page did not open");
        idleFigures(app.processId(), clock, figures);

        if (deviceOnline) {
            // What the page shows now is what it must show again when it comes back.
            const QRect area = x->mainWindowOf(app.processId()).geometry;
            const QImage shownBefore = x->screenPixels(area);
            x->requestClose(painted->window);
            QElapsedTimer hidden;
            hidden.start();
            while (x->viewable(painted->window) && hidden.elapsed() < 5000)
                QThread::msleep(10);
            sleepSeconds(kSettleSeconds);
            const ProcessSample inTray = sampleProcess(app.processId());
            figures.trayResidentMiB.push_back(inTray.residentKiB / 1024.0);
            // A second start shows the running window.
            QProcess second;
            start(second, work.path() + "/app/quillex", true);
            QElapsedTimer sinceStart;
            sinceStart.start();
            const std::optional<FrameWatch::Painted> shown =
                watch.waitForPaintedWindow(400, 300, 10000);
            // Until the window shows again what it showed before it went: pictures and values.
            const qint64 mapped = sinceStart.elapsed() - (shown ? shown->msSinceMap : 0);
            bool same = shown && x->screenPixels(area) == shownBefore;
            while (shown && !same && watch.waitForPaint(shown->window, 3000))
                same = x->screenPixels(area) == shownBefore;
            if (same) {
                figures.showSameMs.push_back(double(sinceStart.elapsed() - mapped));
                figures.secondStartSameMs.push_back(double(sinceStart.elapsed()));
            } else {
                fail("quillex came back without the picture it left");
            }
            second.waitForFinished(10000);
        }
        stop(app);
    }

    void runFloor(Figures& figures)
    {
        FrameWatch watch(display);
        QProcess hello;
        QElapsedTimer clock;
        clock.start();
        start(hello, QStringLiteral(QUILLEX_BENCH_DIR "/bench_hello"), false);
        if (!watch.waitForPaintedWindow(400, 300, 30000))
            return (void)fail("the floor painted no window");
        figures.firstFrameMs.push_back(double(clock.elapsed()));
        idleFigures(hello.processId(), clock, figures);
        stop(hello);
    }

private:
    // Clicks the mouse's card on the start page until its listener starts: the card takes its
    // place once the first device scan and the intro are over.
    bool openMouse(QProcess& app)
    {
        QByteArray errors;
        QElapsedTimer waited;
        waited.start();
        while (!errors.contains("Listener started on entry") && waited.elapsed() < 20000) {
            const XDisplay::Window window = x->mainWindowOf(app.processId());
            const QRect& g = window.geometry;
            // The card's centre on the 1280 × 720 design, scaled and centred like the scene.
            const double scale = g.height() / 720.0;
            x->click(QPoint(int(g.x() + (g.width() - 1280 * scale) / 2 + 640 * scale),
                            int(g.y() + 360 * scale)));
            app.waitForReadyRead(500);
            errors += app.readAllStandardError();
        }
        return errors.contains("Listener started on entry");
    }

    // Memory at 10 s after the first frame, CPU and wake-ups from then for the idle time.
    void idleFigures(qint64 pid, const QElapsedTimer& clock, Figures& figures)
    {
        sleepSeconds(kSettleSeconds - clock.elapsed() / 1000.0);
        const ProcessSample settled = sampleProcess(pid);
        figures.residentMiB.push_back(settled.residentKiB / 1024.0);
        figures.anonymousMiB.push_back(settled.anonymousKiB / 1024.0);
        sleepSeconds(idle);
        const ProcessSample later = sampleProcess(pid);
        figures.cpuPercent.push_back(100.0 * (later.cpuSeconds - settled.cpuSeconds) / idle);
        figures.wakeUpsPerSecond.push_back(double(wakeUpsBetween(settled, later)) / idle);
        figures.threads = later.threads;
    }

    void start(QProcess& process, const QString& program, bool deviceOnline)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", QString::fromLatin1(display));
        env.insert("QT_QPA_PLATFORM", "xcb");
        env.insert("LD_LIBRARY_PATH", QStringLiteral(QUILLEX_BIN_DIR "/sim"));
        env.insert("QUILLEX_SIM_SOCKET", deviceOnline ? simSocket : emptySocket);
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedOutputChannel);
        process.start(program, QStringList());
        process.waitForStarted();
    }

    static void stop(QProcess& process)
    {
        process.terminate();
        if (!process.waitForFinished(10000))
            process.kill();
        process.waitForFinished();
    }

    // Every run starts from the shipped settings.
    void freshSettings()
    {
        QDir(work.path() + "/app/modules").removeRecursively();
        QProcess::execute(
            "cp", {"-r", QStringLiteral(QUILLEX_BIN_DIR "/modules"), work.path() + "/app/"});
    }

    static bool sim(const QString& socket, const QStringList& arguments)
    {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLEX_SIM_SOCKET", socket);
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUILLEX_BIN_DIR "/sim/quillex-sim"), arguments);
        return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit &&
               p.exitCode() == 0;
    }

    static bool fail(const QString& why)
    {
        std::fprintf(stderr, "bench_startup: %s\n", qPrintable(why));
        return false;
    }

    const int idle;
    QTemporaryDir work;
    QProcess xserver;
    QByteArray display;
    std::unique_ptr<XDisplay> x;
    std::unique_ptr<XDisplay::SystemTray> tray;
    QString simSocket;
    QString emptySocket;
};

void printRow(const char* figure, double app, double floor, const QString& target)
{
    const QString floorText = floor < 0 ? QStringLiteral("–") : QString::number(floor, 'f', 1);
    std::printf("| %s | %s | %s | %s |\n", figure, qPrintable(QString::number(app, 'f', 1)),
                qPrintable(floorText), qPrintable(target));
}

QString threadList(const QStringList& names)
{
    std::map<QString, int> counts;
    for (const QString& name : names)
        ++counts[name];
    QStringList parts;
    for (const auto& [name, count] : counts)
        parts << (count > 1 ? QStringLiteral("%1 ×%2").arg(name).arg(count) : name);
    return parts.join(", ");
}
} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&args](const char* name, int fallback) {
        const int at = args.indexOf(QLatin1String(name));
        return at >= 0 && at + 1 < args.size() ? args.at(at + 1).toInt() : fallback;
    };
    const int runs = option("--runs", 5);
    const int idle = option("--idle", 30);

    Bench bench(idle);
    if (!bench.setUp())
        return 1;
    Figures quillex, quiet, floor;
    for (int run = 1; run <= runs; ++run) {
        std::fprintf(stderr, "run %d of %d\n", run, runs);
        bench.runQuillex(quillex, quiet, true);
        bench.runFloor(floor);
        bench.runQuillex(quillex, quiet, false);
    }

    const double frame = median(quillex.firstFrameMs), floorFrame = median(floor.firstFrameMs);
    const double resident = median(quillex.residentMiB), floorResident = median(floor.residentMiB);
    std::printf(
        "%d runs each, medians; CPU and wake-ups from %d s to %d s after the first frame\n\n", runs,
        kSettleSeconds, kSettleSeconds + idle);
    std::printf("| figure | quillex | floor | target |\n|---|---|---|---|\n");
    printRow("exec → first frame, ms", frame, floorFrame,
             QStringLiteral("≤ 1.5 × floor (now %1 ×)").arg(frame / floorFrame, 0, 'f', 2));
    printRow("resident 10 s after, MiB", resident, floorResident,
             QStringLiteral("≤ floor + 25 (now + %1)").arg(resident - floorResident, 0, 'f', 1));
    printRow("of it anonymous, MiB", median(quillex.anonymousMiB), median(floor.anonymousMiB), "");
    printRow("resident 10 s in the tray, MiB", median(quillex.trayResidentMiB), -1, "≤ 60");
    printRow("shown again: map → the picture it left, ms", median(quillex.showSameMs), -1, "≤ 300");
    printRow("shown again: second start → the picture it left, ms",
             median(quillex.secondStartSameMs), -1, "");
    printRow("CPU, % of a core (mouse selected)", median(quillex.cpuPercent),
             median(floor.cpuPercent), "≤ 0.2");
    printRow("wake-ups a second (mouse selected)", median(quillex.wakeUpsPerSecond),
             median(floor.wakeUpsPerSecond), "");
    printRow("CPU, % of a core (no device)", median(quiet.cpuPercent), -1, "");
    printRow("wake-ups a second (no device)", median(quiet.wakeUpsPerSecond), -1, "0");
    printRow("threads", quillex.threads.size(), floor.threads.size(), "");
    std::printf("\nquillex threads: %s\nfloor threads: %s\n",
                qPrintable(threadList(quillex.threads)), qPrintable(threadList(floor.threads)));
    return 0;
}
