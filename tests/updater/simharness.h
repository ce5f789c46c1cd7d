#pragma once

// The virtual bus has a member named like Qt's `slots` keyword: sim headers come first.
#include "sim/client.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <optional>

// One hidapi call as the virtual devices recorded it.
struct TraceLine {
    QString op;
    QString path;
    int result = 0;
    int timeoutMs = 0; // reads only
    QByteArray bytes;
};

// What a caller of `update` sees of one run.
struct UpdateRun {
    bool finished = false;
    int exitCode = -1;
    QStringList lines; // standard output, one entry per line
    QString errors;    // the debug channel
    qint64 ms = 0;
};

// A quillex-sim daemon of the test's own, on a private socket.
class SimDaemon
{
public:
    bool start(const QString& binDir, const QString& socketPath);
    void stop();

    // Runs a control command; fails the current test when the daemon refuses it.
    QString control(const QStringList& args);
    // The same for worker threads, which must not touch QTest: nullopt when refused.
    std::optional<QString> tryControl(const QStringList& args);
    QList<TraceLine> trace();
    QByteArray memory(const QString& device, const QString& region);

    // Runs the updater with the virtual hidapi; a run that outlives timeoutMs is killed.
    // libDir, when given, is searched for libraries first; env adds variables.
    UpdateRun runUpdate(const QString& program, const QStringList& args, int timeoutMs = 20000,
                        const QString& libDir = {}, const QStringList& env = {});
    // The same in two halves, for tests that act on the bus while the updater runs. `seen` are
    // the lines the test already read.
    void startUpdate(QProcess& process, const QString& program, const QStringList& args,
                     const QString& libDir = {}, const QStringList& env = {});
    UpdateRun finishUpdate(QProcess& process, int timeoutMs, const QStringList& seen = {});

    QString socket;

private:
    QString bin;
    QElapsedTimer clock;
    QProcess daemon;
};

// Reads progress lines into `lines` until one reaches `value`; false when the updater ends first.
bool waitForProgress(QProcess& process, int value, QStringList& lines);

// Trace lines of one operation whose path contains `pathPart`.
QList<TraceLine> calls(const QList<TraceLine>& trace, const QString& op, const QString& pathPart);
// The bytes of each trace line.
QList<QByteArray> bytesOf(const QList<TraceLine>& lines);
// Output reports to the boot loader, without their report number.
QList<QByteArray> bootWrites(const QList<TraceLine>& trace);
// Byte `at` of each frame.
QByteArray codes(const QList<QByteArray>& frames, int at);
// The payload of the boot loader's data frames, in order.
QByteArray dataPayload(const QList<QByteArray>& writes);
