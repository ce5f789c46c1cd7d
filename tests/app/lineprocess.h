#pragma once

// A child process whose standard output is read line by line; waits are bounded by a deadline
// instead of fixed sleeps.

#include <QDeadlineTimer>
#include <QProcess>

class LineProcess
{
public:
    LineProcess(const QString& program, const QStringList& arguments,
                const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        process.setProgram(program);
        process.setArguments(arguments);
        process.setProcessEnvironment(environment);
    }

    ~LineProcess()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.write("quit\n");
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }

    void start(const QString& workingDirectory = QString())
    {
        if (!workingDirectory.isEmpty())
            process.setWorkingDirectory(workingDirectory);
        process.start();
        process.waitForStarted(5000);
    }

    // Every complete line written so far.
    QList<QByteArray> lines()
    {
        collect();
        return received;
    }

    // Waits until some line equals `line` or starts with it when `prefix` is set.
    bool waitForLine(const QByteArray& line, int ms = 10000, bool prefix = false)
    {
        const QDeadlineTimer deadline(ms);
        for (;;) {
            collect();
            for (const QByteArray& l : received) {
                if (prefix ? l.startsWith(line) : l == line)
                    return true;
            }
            if (deadline.hasExpired() || process.state() == QProcess::NotRunning)
                return false;
            process.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime())));
        }
    }

    // Exit status, or -1 when it did not end in time or crashed.
    int exitCode(int ms = 10000)
    {
        if (!process.waitForFinished(ms) && process.state() != QProcess::NotRunning)
            return -1;
        collect();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    QByteArray errors()
    {
        stderrText += process.readAllStandardError();
        return stderrText;
    }

    void send(const QByteArray& command) { process.write(command + '\n'); }

    QProcess process;

private:
    void collect()
    {
        pending += process.readAllStandardOutput();
        for (int end; (end = pending.indexOf('\n')) >= 0; pending.remove(0, end + 1))
            received << pending.left(end);
    }

    QByteArray pending;
    QByteArray stderrText;
    QList<QByteArray> received;
};
