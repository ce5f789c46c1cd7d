#pragma once

#include "frontend/updaterlaunch.h"

#include <QObject>
#include <QProcess>
#include <QTimer>

// One run of the firmware updater: starts it, turns its output into progress and reports the
// result exactly once. An updater that stays silent for longer than the silence limit counts as
// hung: it is stopped and the run fails.
class UpdaterRun : public QObject
{
    Q_OBJECT
public:
    explicit UpdaterRun(QObject* parent = nullptr);

    // How long the updater may print nothing before it counts as hung (60 s).
    void setSilenceLimit(int ms);

    void start(const QString& program, const QStringList& arguments);
    // Whether an updater process exists (starting, running or not yet reaped).
    bool isRunning() const;

signals:
    void progress(uint value);
    void finished(bool success);
    // The updater could not be started; finished(false) follows.
    void notStarted();
    // No updater process is left.
    void ended();

private:
    void readProgress();
    void onProcessFinished(int exitCode, QProcess::ExitStatus exitStatus);
    void onProcessError(QProcess::ProcessError error);
    void onSilence();
    void report(bool success);

    QProcess process;
    QTimer silence;
    UpdaterProgressLines progressLines;
    bool reported = true;
};
