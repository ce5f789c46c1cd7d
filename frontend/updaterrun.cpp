#include "frontend/updaterrun.h"

#include "frontend/updaterlaunch.h"

#include <QDebug>
#include <QThread>

namespace
{
constexpr int kDefaultSilenceMs = 60000;
// A killed process is gone at once; this only bounds the wait for the OS to report it.
constexpr int kStopWaitMs = 5000;
// Gives the device time to settle before the scene reacts to the result.
constexpr int kSettleMs = 500;
constexpr qint64 kProgressReadMaxBytes = 4096;
// "100" and a line break, with room for a CR: anything longer is not a progress line.
constexpr int kProgressLineMaxBytes = 8;
} // namespace

UpdaterRun::UpdaterRun(QObject* parent) : QObject(parent)
{
    // The updater's debug lines join the app's own instead of piling up unread in a buffer.
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    silence.setSingleShot(true);
    silence.setInterval(kDefaultSilenceMs);
    connect(&silence, &QTimer::timeout, this, &UpdaterRun::onSilence);
    connect(&process, &QProcess::readyReadStandardOutput, this, &UpdaterRun::readProgress);
    connect(&process, qOverload<int, QProcess::ExitStatus>(&QProcess::finished), this,
            &UpdaterRun::onProcessFinished);
    connect(&process, &QProcess::errorOccurred, this, &UpdaterRun::onProcessError);
    connect(&process, &QProcess::stateChanged, this, [this](QProcess::ProcessState state) {
        if (state == QProcess::NotRunning)
            emit ended();
    });
}

void UpdaterRun::setSilenceLimit(int ms)
{
    silence.setInterval(ms);
}

void UpdaterRun::start(const QString& program, const QStringList& arguments)
{
    reported = false;
    progressLines = UpdaterProgressLines();
    process.setProgram(program);
    process.setArguments(arguments);
    silence.start();
    process.start(QIODevice::ReadWrite);
}

bool UpdaterRun::isRunning() const
{
    return process.state() != QProcess::NotRunning;
}

void UpdaterRun::readProgress()
{
    silence.start();
    // The updater prints short lines: one bounded read holds them, and whatever else a run
    // floods its output with is dropped instead of copied.
    const QByteArray output = process.read(kProgressReadMaxBytes);
    process.skip(process.bytesAvailable());
    if (const std::optional<uint> value = progressLines.feed(output))
        emit progress(*value);
}

std::optional<uint> UpdaterProgressLines::feed(const QByteArray& piece)
{
    QByteArray text = partialLine + piece;
    text.replace('\r', '\n');
    const int end = text.lastIndexOf('\n');
    const QByteArray rest = text.mid(end + 1);
    // An overlong line stays unreadable however it ends.
    partialLine = rest.size() > kProgressLineMaxBytes ? QByteArrayLiteral("-") : rest;
    std::optional<uint> latest;
    for (const QByteArray& line : text.left(end + 1).split('\n')) {
        bool number = false;
        const uint value = line.trimmed().toUInt(&number, 10);
        if (number && value <= 100)
            latest = value;
    }
    return latest;
}

void UpdaterRun::onProcessFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (reported)
        return; // a run already failed for its silence
    QThread::msleep(kSettleMs);
    report(exitCode == 0 && exitStatus == QProcess::NormalExit);
}

void UpdaterRun::onProcessError(QProcess::ProcessError error)
{
    if (error != QProcess::FailedToStart)
        return;
    qDebug() << "updater not started:" << process.errorString();
    // No finished notification follows a failed start: report the failure here, after start()
    // has returned, so the run ends.
    QMetaObject::invokeMethod(
        this,
        [this] {
            emit notStarted();
            report(false);
        },
        Qt::QueuedConnection);
}

void UpdaterRun::onSilence()
{
    if (reported)
        return;
    qDebug() << "updater silent for" << silence.interval() << "ms: stopped";
    // Its exit must not be reported as a second result; and it is gone before the failure is
    // reported, so a new run can start as soon as the scene asks for one.
    reported = true;
    process.kill();
    process.waitForFinished(kStopWaitMs);
    emit finished(false);
}

void UpdaterRun::report(bool success)
{
    if (reported)
        return;
    reported = true;
    silence.stop();
    emit finished(success);
}
