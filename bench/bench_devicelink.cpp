// Wall time of the device link's exchanges against a virtual mouse that answers at once, as a
// ratio to the sleeps and waits the protocol itself prescribes for each exchange. Everything
// above 1.0 is the link's own overhead.

// The virtual bus comes before any Qt header: it has a member named like Qt's `slots` keyword.
#include "sim/inproc.h"

#include "device/discovery.h"
#include "device/hid_thread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

void forwardDeviceEvent(Widget*, quint8, quint8, quint8, quint8) {}

namespace
{

constexpr int kRuns = 30;
constexpr double kTarget = 1.05;

struct Exchange {
    const char* name;
    double prescribedMs; // the protocol's own pauses for this exchange
    std::function<void(Hid_Thread&)> run;
};

double medianMs(Hid_Thread& hid, const Exchange& e)
{
    e.run(hid); // warm-up
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        sim::inproc::trace().clear();
        QElapsedTimer clock;
        clock.start();
        e.run(hid);
        times.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    std::string error;
    if (!sim::inproc::bus().plug("mouse", "mouse", error)) {
        std::fprintf(stderr, "cannot plug the virtual mouse: %s\n", error.c_str());
        return 1;
    }
    Hid_Thread hid;
    hid.publishDevices(discoverDevices(QStringLiteral(QUILLEX_SOURCE_DIR "/device/DevInfo.ini")));
    hid.curDevIndex = 0;

    static quint8 table0[64], table1[128], macro[256];
    const Exchange exchanges[] = {
        // One frame, then the 10 ms pause after a write.
        {"single-setting write", 10,
         [](Hid_Thread& h) { h.hid_Send8ByteData(3, 13, 2, 0x80, 0x0C, 0, 0); }},
        // Three reads (table 0, table 1 from 0 and from 63), each followed by 15 ms.
        {"read both tables", 3 * 15,
         [](Hid_Thread& h) {
             h.hid_GetApData(table0, true, 0);
             h.hid_GetApData(table1, false, 0);
             h.hid_GetApData(table1 + 64, false, 63);
         }},
        // Four output reports 20 ms apart, then the 10 ms pause after a write.
        {"256-byte macro upload", 4 * 20 + 10,
         [](Hid_Thread& h) { h.hid_04H_SendMacroData(0, 256, macro); }},
    };

    std::printf("%-24s %12s %12s %8s\n", "exchange", "median ms", "prescribed", "ratio");
    bool met = true;
    for (const Exchange& e : exchanges) {
        const double ms = medianMs(hid, e);
        const double ratio = ms / e.prescribedMs;
        met = met && ratio <= kTarget;
        std::printf("%-24s %12.2f %12.0f %8.3f\n", e.name, ms, e.prescribedMs, ratio);
    }
    std::printf("target: ratio <= %.2f for every exchange: %s\n", kTarget, met ? "met" : "missed");
    return 0;
}
