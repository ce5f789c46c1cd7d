#pragma once

// The virtual bus has a member named like Qt's `slots` keyword: sim headers come first.
#include "tests/updater/simharness.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

// An update that a fault interrupts, then the rerun a user makes with the same folder once the
// fault is gone: the shared runner of the fault matrix and the power-loss sweep. The device is
// plugged as "dev".
struct Interruption {
    QString folder;      // firmware folder prefix, as the caller passes it
    QStringList setup;   // control commands before the first run, the plug included
    int killAfterMs = 0; // a first run still going then counts as hung and is killed
    QStringList regions; // memory regions of "dev" read after the rerun
};

struct InterruptedUpdate {
    QString error; // a control command the daemon refused, or a daemon that did not start
    UpdateRun first;
    QString stateAfterFirst; // `state dev` right after the first run
    // The device had left the bus and was plugged in again (it lost power) before the rerun.
    bool replugged = false;
    UpdateRun rerun;
    QString stateAfterRerun;
    QMap<QString, QByteArray> memory;
};

// Runs every interruption: a few at a time, each worker with a quillex-sim daemon of its own
// (sockets in workDir), since a case spends most of its time with the updater waiting on the
// device. Results are in the order of `cases`.
QList<InterruptedUpdate> runInterrupted(const QString& binDir, const QString& workDir,
                                        const QList<Interruption>& cases, int workers);

// "dev 093A:C791 release 0300 ..." → "0300"; empty when the device is not in normal mode.
QString normalModeRelease(const QString& state);
