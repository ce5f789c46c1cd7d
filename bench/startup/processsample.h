#pragma once

// What /proc says about a running process: memory, CPU time, wake-ups and threads.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QStringList>
#include <unistd.h>

struct ProcessSample {
    qint64 residentKiB = 0;
    qint64 anonymousKiB = 0;
    double cpuSeconds = 0;         // user and system time of all threads so far
    QMap<QString, qint64> wakeUps; // context switches so far, by thread id
    QStringList threads;           // the name of each thread
};

namespace processsample
{
inline QByteArray readProcFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "Name:   value kB" lines of a status file.
inline QMap<QByteArray, qint64> statusFields(const QByteArray& status)
{
    QMap<QByteArray, qint64> fields;
    for (const QByteArray& line : status.split('\n')) {
        const int colon = line.indexOf(':');
        if (colon > 0)
            fields.insert(line.left(colon),
                          line.mid(colon + 1).simplified().split(' ').value(0).toLongLong());
    }
    return fields;
}
} // namespace processsample

// Context switches between two samples, of the threads alive at both: a thread that ended
// meanwhile takes its count with it.
inline qint64 wakeUpsBetween(const ProcessSample& before, const ProcessSample& after)
{
    qint64 total = 0;
    for (auto it = after.wakeUps.cbegin(); it != after.wakeUps.cend(); ++it)
        total += it.value() - before.wakeUps.value(it.key(), it.value());
    return total;
}

inline ProcessSample sampleProcess(qint64 pid)
{
    using namespace processsample;
    ProcessSample sample;
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    const QMap<QByteArray, qint64> status = statusFields(readProcFile(proc + "/status"));
    sample.residentKiB = status.value("VmRSS");
    sample.anonymousKiB = status.value("RssAnon");

    // Fields 14 and 15 of stat, counted after the command name's closing parenthesis.
    const QByteArray stat = readProcFile(proc + "/stat");
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() > 12)
        sample.cpuSeconds = double(fields[11].toLongLong() + fields[12].toLongLong()) /
                            double(sysconf(_SC_CLK_TCK));

    for (const QString& task : QDir(proc + "/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString dir = proc + "/task/" + task;
        const QMap<QByteArray, qint64> taskStatus = statusFields(readProcFile(dir + "/status"));
        sample.wakeUps.insert(task, taskStatus.value("voluntary_ctxt_switches") +
                                        taskStatus.value("nonvoluntary_ctxt_switches"));
        sample.threads << QString::fromUtf8(readProcFile(dir + "/comm").trimmed());
    }
    return sample;
}
