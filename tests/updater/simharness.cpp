#include "tests/updater/simharness.h"

#include <QElapsedTimer>
#include <QProcessEnvironment>
#include <QTest>
#include <QThread>

bool SimDaemon::start(const QString& binDir, const QString& socketPath)
{
    bin = binDir;
    socket = socketPath;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLEX_SIM_SOCKET", socket);
    daemon.setProcessEnvironment(env);
    daemon.start(bin + "/sim/quillex-sim", {"serve"});
    if (!daemon.waitForStarted())
        return false;
    for (int i = 0; i < 200; ++i) {
        if (sim::controlDaemon({"ping"}, socket.toStdString()).status == 0)
            return true;
        QThread::msleep(10);
    }
    return false;
}

void SimDaemon::stop()
{
    daemon.terminate();
    if (!daemon.waitForFinished(2000))
        daemon.kill();
}

namespace
{

sim::ControlResult controlCommand(const QStringList& args, const QString& socket)
{
    std::vector<std::string> words;
    for (const QString& a : args)
        words.push_back(a.toStdString());
    return sim::controlDaemon(words, socket.toStdString());
}

} // namespace

QString SimDaemon::control(const QStringList& args)
{
    const sim::ControlResult r = controlCommand(args, socket);
    if (r.status != 0)
        QTest::qFail(
            qPrintable("control " + args.join(' ') + ": " + QString::fromStdString(r.text)),
            __FILE__, __LINE__);
    return QString::fromStdString(r.text);
}

std::optional<QString> SimDaemon::tryControl(const QStringList& args)
{
    const sim::ControlResult r = controlCommand(args, socket);
    if (r.status != 0)
        return std::nullopt;
    return QString::fromStdString(r.text);
}

QList<TraceLine> SimDaemon::trace()
{
    // "<seq> <op> <path> [timeout=<ms>] -> <result> [: <hex bytes>]"
    QList<TraceLine> out;
    for (const QString& text : control({"trace"}).split('\n', Qt::SkipEmptyParts)) {
        const int arrow = text.indexOf(" -> ");
        const QStringList head = text.left(arrow).split(' ');
        const QString tail = text.mid(arrow + 4);
        const int colon = tail.indexOf(" : ");
        TraceLine line;
        line.op = head.value(1);
        line.path = head.value(2);
        if (head.value(3).startsWith("timeout="))
            line.timeoutMs = head.value(3).mid(8).toInt();
        line.result = tail.left(colon < 0 ? tail.size() : colon).toInt();
        if (colon >= 0)
            line.bytes = QByteArray::fromHex(tail.mid(colon + 3).remove(' ').toLatin1());
        out.append(line);
    }
    return out;
}

QByteArray SimDaemon::memory(const QString& device, const QString& region)
{
    return QByteArray::fromHex(
        control({"memory", device, region}).remove(' ').trimmed().toLatin1());
}

void SimDaemon::startUpdate(QProcess& process, const QString& program, const QStringList& args,
                            const QString& libDir, const QStringList& extraEnv)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QUILLEX_SIM_SOCKET", socket);
    env.insert("LD_LIBRARY_PATH", (libDir.isEmpty() ? "" : libDir + ":") + bin + "/sim");
    for (const QString& pair : extraEnv)
        env.insert(pair.section('=', 0, 0), pair.section('=', 1));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    // Sanitizer builds: leaks of Qt's own platform plugin are not the updater's.
    env.insert("LSAN_OPTIONS", "suppressions=" QUILLEX_SOURCE_DIR "/tests/lsan.supp");
    process.setProcessEnvironment(env);
    clock.start();
    process.start(program, args);
}

bool waitForProgress(QProcess& process, int value, QStringList& lines)
{
    while (process.waitForReadyRead(20000)) {
        while (process.canReadLine()) {
            lines << QString::fromUtf8(process.readLine()).trimmed();
            if (lines.last().toInt() >= value)
                return true;
        }
    }
    return false;
}

UpdateRun SimDaemon::finishUpdate(QProcess& process, int timeoutMs, const QStringList& seen)
{
    UpdateRun run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.ms = clock.elapsed();
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.lines = seen + QString::fromUtf8(process.readAllStandardOutput()).split('\n');
    if (run.lines.last().isEmpty())
        run.lines.removeLast();
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

UpdateRun SimDaemon::runUpdate(const QString& program, const QStringList& args, int timeoutMs,
                               const QString& libDir, const QStringList& extraEnv)
{
    QProcess process;
    startUpdate(process, program, args, libDir, extraEnv);
    return finishUpdate(process, timeoutMs);
}

QList<TraceLine> calls(const QList<TraceLine>& trace, const QString& op, const QString& pathPart)
{
    QList<TraceLine> out;
    for (const TraceLine& t : trace)
        if (t.op == op && t.path.contains(pathPart))
            out.append(t);
    return out;
}

QList<QByteArray> bytesOf(const QList<TraceLine>& lines)
{
    QList<QByteArray> out;
    for (const TraceLine& t : lines)
        out.append(t.bytes);
    return out;
}

QList<QByteArray> bootWrites(const QList<TraceLine>& trace)
{
    QList<QByteArray> out;
    for (const TraceLine& t : calls(trace, "write", "/boot"))
        out.append(t.bytes.mid(1));
    return out;
}

QByteArray codes(const QList<QByteArray>& frames, int at)
{
    QByteArray out;
    for (const QByteArray& f : frames)
        out.append(f[at]);
    return out;
}

QByteArray dataPayload(const QList<QByteArray>& writes)
{
    QByteArray out;
    for (const QByteArray& w : writes)
        if (quint8(w[1]) == 0xA3)
            out.append(w.mid(4, quint8(w[3])));
    return out;
}
