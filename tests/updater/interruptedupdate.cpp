#include "tests/updater/interruptedupdate.h"

#include <QRegularExpression>
#include <atomic>
#include <thread>
#include <vector>

namespace
{

// A rerun writes the whole image again; no limit of the updater comes near this.
constexpr int kRerunKillMs = 60000;

// Lifts every fault as a user would: planned ones are cleared, and a device that left the bus is
// plugged in again, which powers it up in the mode its flash implies.
bool liftFaults(SimDaemon& sim, InterruptedUpdate& out)
{
    if (!sim.tryControl({"fault", "dev", "clear"}) ||
        !sim.tryControl({"do", "dev", "faults", "clear"}))
        return false;
    if (!out.stateAfterFirst.contains("interface ")) {
        out.replugged = true;
        return bool(sim.tryControl({"fault", "dev", "power-loss-after", "0"}));
    }
    return true;
}

InterruptedUpdate runOne(SimDaemon& sim, const QString& program, const Interruption& c)
{
    InterruptedUpdate out;
    for (const QString& command : QStringList{"reset"} + c.setup) {
        if (!sim.tryControl(command.split(' '))) {
            out.error = "refused: " + command;
            return out;
        }
    }
    const QStringList args{c.folder, "-s", "-r"};
    out.first = sim.runUpdate(program, args, c.killAfterMs);
    out.stateAfterFirst = sim.tryControl({"state", "dev"}).value_or(QString());
    if (!liftFaults(sim, out)) {
        out.error = "the device could not be reset to no faults";
        return out;
    }
    out.rerun = sim.runUpdate(program, args, kRerunKillMs);
    out.stateAfterRerun = sim.tryControl({"state", "dev"}).value_or(QString());
    for (const QString& region : c.regions)
        out.memory[region] = QByteArray::fromHex(sim.tryControl({"memory", "dev", region})
                                                     .value_or(QString())
                                                     .remove(' ')
                                                     .trimmed()
                                                     .toLatin1());
    return out;
}

} // namespace

QList<InterruptedUpdate> runInterrupted(const QString& binDir, const QString& workDir,
                                        const QList<Interruption>& cases, int workers)
{
    std::vector<InterruptedUpdate> results(size_t(cases.size()));
    std::atomic<int> next{0};
    const QString program = binDir + "/updateEx/update";
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w) {
        threads.emplace_back([&, w] {
            SimDaemon sim;
            const bool started = sim.start(binDir, workDir + QString("/sim-%1.sock").arg(w));
            for (int i = next++; i < cases.size(); i = next++) {
                if (started)
                    results[size_t(i)] = runOne(sim, program, cases[i]);
                else
                    results[size_t(i)].error = "no quillex-sim daemon";
            }
            sim.stop();
        });
    }
    for (std::thread& t : threads)
        t.join();
    return QList<InterruptedUpdate>(results.begin(), results.end());
}

QString normalModeRelease(const QString& state)
{
    static const QRegularExpression normal("^dev 093A:C791 release ([0-9A-F]{4})");
    const QRegularExpressionMatch m = normal.match(state);
    return m.hasMatch() ? m.captured(1) : QString();
}
