// quillexctl as a caller meets it: the real program, copied with its data into a folder of its
// own, against virtual devices of each test's own. Only its output, exit code and files and what
// the devices hold afterwards are read; the expected table bytes are those the window's pages
// write (qml/DeviceMap.js, qml/ButtonMap.js).
#include "tests/updater/firmwarefolder.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace
{

QString binDir()
{
    return qEnvironmentVariable("QUILLEX_BIN_DIR");
}

// Names and contents of the files under `root`, to tell whether anything there changed.
QByteArray treeDigest(const QString& root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << it.next();
    files.sort();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString& path : files) {
        QFile file(path);
        hash.addData(path.toUtf8());
        if (file.open(QIODevice::ReadOnly))
            hash.addData(file.readAll());
    }
    return hash.result();
}

struct Run {
    int exitCode = -1; // -1: it crashed or did not end
    QByteArray out;
    QByteArray err;
};

// How a run ended, for failure messages.
QByteArray said(const Run& run)
{
    return "exit " + QByteArray::number(run.exitCode) + ": " + run.err;
}

// `table` with "ADDRESS:HEX ..." laid over it.
QByteArray patched(QByteArray table, const QString& patches)
{
    for (const QString& patch : patches.split(' ', Qt::SkipEmptyParts)) {
        const QByteArray bytes = QByteArray::fromHex(patch.section(':', 1).toLatin1());
        table.replace(patch.section(':', 0, 0).toInt(), bytes.size(), bytes);
    }
    return table;
}

// `value` with the member at `path` ("dpi.levels.2") replaced by `member`, or removed when
// `member` is undefined.
QJsonValue edited(const QJsonValue& value, QStringList path, const QJsonValue& member)
{
    const QString key = path.takeFirst();
    bool isIndex = false;
    const int index = key.toInt(&isIndex);
    if (isIndex) {
        QJsonArray array = value.toArray();
        if (path.isEmpty() && member.isUndefined())
            array.removeAt(index);
        else
            array[index] = path.isEmpty() ? member : edited(array.at(index), path, member);
        return array;
    }
    QJsonObject object = value.toObject();
    if (path.isEmpty() && member.isUndefined())
        object.remove(key);
    else
        object[key] = path.isEmpty() ? member : edited(object.value(key), path, member);
    return object;
}

QStringList words(const QString& line)
{
    return line.split(' ', Qt::SkipEmptyParts);
}

} // namespace

// One test's world: a copy of quillexctl and its data, a virtual bus, runtime, data and home
// folders of its own, and a working folder the program is started from. The bus ends with it.
class Bench
{
public:
    ~Bench()
    {
        if (served)
            sim({"stop"});
    }

    bool setUp()
    {
        for (const char* folder : {"app", "run", "data", "home", "work"})
            if (!QDir(root.path()).mkpath(folder))
                return false;
        QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        bool ok = copy("quillexctl") && copy("modules");
        sim({"serve", "--detach"}, &ok);
        served = ok;
        return ok;
    }

    // Puts `name` from the build's program folder beside the copied quillexctl.
    bool copy(const QString& name) const
    {
        return QProcess::execute("cp", {"-R", binDir() + '/' + name, path("app/") + name}) == 0;
    }

    QString path(const QString& relative) const { return root.filePath(relative); }

    QByteArray readFile(const QString& relative) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool writeFile(const QString& relative, const QByteArray& bytes) const
    {
        QFile file(path(relative));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QUILLEX_SIM_SOCKET", path("sim.sock"));
        env.insert("XDG_RUNTIME_DIR", path("run"));
        env.insert("XDG_DATA_HOME", path("data"));
        env.insert("XDG_CONFIG_HOME", path("home/.config"));
        env.insert("HOME", path("home"));
        env.insert("LD_LIBRARY_PATH", binDir() + "/sim");
        return env;
    }

    // quillex-sim's output; `ok` is cleared when it refused or failed.
    QByteArray sim(const QStringList& args, bool* ok = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(binDir() + "/sim/quillex-sim", args);
        const bool done = process.waitForFinished(10000) &&
                          process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (ok && !done)
            *ok = false;
        return process.readAllStandardOutput();
    }

    QByteArray memory(const QString& device, const QString& region) const
    {
        return QByteArray::fromHex(sim({"memory", device, region}));
    }

    // Everything of the device that a command could change: tables, macro 3 and the profile.
    QList<QByteArray> state(const QString& device = "mouse") const
    {
        return {memory(device, "table0"), memory(device, "table1"), memory(device, "macro.0.2"),
                memory(device, "profile")};
    }

    QString trace() const { return QString::fromLatin1(sim({"trace"})); }
    void clearTrace() const { sim({"trace", "--clear"}); }

    // Trace lines of calls that change a device: output reports, and feature reports but the
    // queries of tables, pairing block and status.
    QStringList writes() const
    {
        QStringList found;
        for (const QString& line : trace().split('\n')) {
            const QStringList w = words(line);
            const QString code = w.value(w.indexOf(":") + 2);
            const bool query = QStringList{"82", "83", "8E", "9E"}.contains(code);
            if (w.value(1) == "write" || (w.value(1) == "send-feature" && !query))
                found << line;
        }
        return found;
    }

    Run ctl(const QStringList& args, const QByteArray& input = QByteArray()) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.setWorkingDirectory(path("work"));
        process.start(path("app/quillexctl"), args);
        process.write(input);
        process.closeWriteChannel();
        Run run;
        if (process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit)
            run.exitCode = process.exitCode();
        else
            run.err = process.errorString().toUtf8() + '\n';
        run.out = process.readAllStandardOutput();
        run.err += process.readAllStandardError();
        return run;
    }

private:
    QTemporaryDir root;
    bool served = false;
};

class TstQuillexctl : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void listAndShowDescribeTheDevices();
    void batteryFollowsTheDevice_data();
    void batteryFollowsTheDevice();
    void nothingPluggedExitsThree_data();
    void nothingPluggedExitsThree();

    void setWritesWhatThePagesWrite_data();
    void setWritesWhatThePagesWrite();
    void refusedSetWritesNothing_data();
    void refusedSetWritesNothing();

    void exportResetImportRestoresEveryByte();
    void exportRefusesWhatImportCouldNotRestore();
    void refusedImportWritesNothing_data();
    void refusedImportWritesNothing();

    void profileSwitchesTheDeviceAndTheWindow();
    void pairingGivesTheReceiverTheMouseBlock();
    void updateFromAFolder();

    void windowKeepsTheDevicesWhileItRuns();
    void deviceFailureExitsOne_data();
    void deviceFailureExitsOne();
    void commandLineAloneNeverTouchesTheBus_data();
    void commandLineAloneNeverTouchesTheBus();

private:
    std::unique_ptr<Bench> bench;
    QByteArray modulesDigest;
};

void TstQuillexctl::initTestCase()
{
    QVERIFY2(!binDir().isEmpty(), "QUILLEX_BIN_DIR names the build's program folder");
    modulesDigest = treeDigest(binDir() + "/modules");
}

void TstQuillexctl::init()
{
    bench = std::make_unique<Bench>();
    QVERIFY(bench->setUp());
}

void TstQuillexctl::cleanup()
{
    bench.reset();
}

void TstQuillexctl::cleanupTestCase()
{
    // Every test works on its own copy: the build's data stays as it was built.
    QCOMPARE(treeDigest(binDir() + "/modules"), modulesDigest);
}

void TstQuillexctl::listAndShowDescribeTheDevices()
{
    bench->sim({"plug", "mouse"});
    bench->sim({"plug", "receiver8k"});
    const Run list = bench->ctl({"list"});
    QVERIFY2(list.exitCode == 0, said(list));
    const QStringList lines = QString(list.out).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines.at(0).startsWith("1  ") &&
                 lines.at(0).endsWith("8K mouse (cable), firmware 0104, battery 85 %"),
             list.out);
    QVERIFY2(lines.at(1).startsWith("2  ") &&
                 lines.at(1).contains("8K receiver (wireless), firmware 0104"),
             list.out);

    const QJsonArray devices = QJsonDocument::fromJson(bench->ctl({"--json", "list"}).out).array();
    QCOMPARE(devices.size(), 2);
    QJsonObject mouse = devices.at(0).toObject();
    QCOMPARE(mouse.take("product").toString().isEmpty(), false);
    QCOMPARE(mouse, (QJsonObject{{"position", 1},
                                 {"kind", "mouse"},
                                 {"model", "8K"},
                                 {"connection", "cable"},
                                 {"firmware", "0104"},
                                 {"battery", 85}}));
    QCOMPARE(devices.at(1)["kind"].toString(), QString("receiver"));

    // The mouse changes its level by itself; show reads the device afresh.
    bench->sim({"notify", "mouse", "0B", "03", "00", "00"});
    const Run shown = bench->ctl({"--json", "show"});
    QVERIFY2(shown.exitCode == 0, said(shown));
    const QJsonObject document = QJsonDocument::fromJson(shown.out).object();
    QCOMPARE(document["device"]["kind"].toString(), QString("mouse"));
    QCOMPARE(document["profile"].toInt(), 1);
    const QJsonObject settings = document["settings"].toObject();
    QCOMPARE(settings["reportRate"].toInt(), 1000);
    QCOMPARE(settings["dpi"]["levels"].toArray(), (QJsonArray{400, 800, 1600, 3200, 6400}));
    QCOMPARE(settings["dpi"]["current"].toInt(), 4);
    QCOMPARE(settings["buttons"].toArray(),
             (QJsonArray{"left-key", "right-key", "middle-key", "forward", "forback", "dpi-loop",
                         "report-rate"}));
    QCOMPARE(settings["lighting"]["slots"].toArray().at(1).toString(), QString("#00ff00"));

    const Run text = bench->ctl({"show"});
    QVERIFY2(text.exitCode == 0, said(text));
    QVERIFY2(text.out.contains("\nreport rate   1000 Hz\n"), text.out);
    QVERIFY2(text.out.contains("\ndpi levels    400 800 1600 3200 6400 (level 4 in use)\n"),
             text.out);
    QVERIFY2(text.out.contains("\nbutton 6      dpi-loop\n"), text.out);

    for (const char* name : {"receiver", "2"}) {
        const Run receiver = bench->ctl({"--json", "show", name});
        QVERIFY2(receiver.exitCode == 0, said(receiver));
        const QJsonObject device =
            QJsonDocument::fromJson(receiver.out).object()["device"].toObject();
        QCOMPARE(device["kind"].toString(), QString("receiver"));
        QCOMPARE(device["position"].toInt(), 2);
    }
    QCOMPARE(bench->ctl({"show", "3"}).exitCode, 3);
}

void TstQuillexctl::batteryFollowsTheDevice_data()
{
    QTest::addColumn<QString>("level");
    QTest::addColumn<int>("percent");
    QTest::newRow("low") << "05" << 5;
    QTest::newRow("half") << "32" << 50;
    QTest::newRow("full") << "64" << 100;
    QTest::newRow("above full reads full") << "78" << 100;
}

void TstQuillexctl::batteryFollowsTheDevice()
{
    QFETCH(QString, level);
    QFETCH(int, percent);
    bench->sim({"plug", "mouse"});
    bench->sim({"notify", "mouse", "11", level, "00", "00"});
    const Run json = bench->ctl({"--json", "list"});
    QVERIFY2(json.exitCode == 0, said(json));
    QCOMPARE(QJsonDocument::fromJson(json.out).array().at(0)["battery"].toInt(), percent);
    QVERIFY(bench->ctl({"list"}).out.contains(QString(", battery %1 %\n").arg(percent).toUtf8()));
}

void TstQuillexctl::nothingPluggedExitsThree_data()
{
    QTest::addColumn<QStringList>("args");
    for (const char* line : {"list", "--json list", "show", "set dpi 1 500", "export saved.json",
                             "profile 2", "reset --yes", "pair"})
        QTest::newRow(qPrintable(line)) << words(line);
}

void TstQuillexctl::nothingPluggedExitsThree()
{
    QFETCH(QStringList, args);
    const Run run = bench->ctl(args);
    QVERIFY2(run.exitCode == 3, said(run));
    QVERIFY2(run.err.startsWith("quillexctl: "), run.err);
    QVERIFY(!QFile::exists(bench->path("work/saved.json")));
}

void TstQuillexctl::setWritesWhatThePagesWrite_data()
{
    QTest::addColumn<QString>("plugged");
    QTest::addColumn<QString>("before"); // a command run first
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("table0"); // "ADDRESS:HEX ...": what changes
    QTest::addColumn<QString>("table1");
    const auto row = [](const char* name, const QString& command, const QString& t0,
                        const QString& t1, const QString& before = QString(),
                        const QString& plugged = "mouse") {
        QTest::newRow(name) << plugged << before << command << t0 << t1;
    };
    row("dpi", "dpi 1 500", "", "9:F401");
    row("dpi highest", "dpi 5 26000", "", "17:9065");
    row("dpi lowest", "dpi 2 200", "", "11:C800");
    row("level", "level 4", "1:03", "");
    row("rate 125", "rate 125", "0:08", "");
    row("rate 4000 with its sensor modes", "rate 4000", "0:41", "2:0B");
    row("rate 8000 with its sensor modes", "rate 8000", "0:81", "2:2A");
    row("rate back to 1000", "rate 1000", "0:01", "2:03", "set rate 4000");
    row("rate on a 1K receiver", "rate 500", "0:02", "", "", "receiver1k");
    row("lighting with every option",
        "lighting breath --speed 5 --brightness 40 --slot 3 --color 123456", "2:02 3:66 4:07 5:02",
        "58:123456");
    row("lighting slowest and dimmest", "lighting neon --speed 1 --brightness 20", "2:03 3:33 4:01",
        "");
    row("lighting colour cycle", "lighting wave --slot cycle", "2:05 5:08", "");
    row("lighting off", "lighting off", "2:00", "");
    row("lighting colour of the slot in use", "lighting static --color 0a0b0c", "", "52:0A0B0C");
    row("button keys", "button 2 keys:04+05", "", "80:00050401");
    row("button three keys", "button 2 keys:e0+e1+04", "", "80:04E1E001");
    row("button macro", "button 3 macro:2", "", "84:01000105", "macro 2 --from macro.json");
    row("button macro repeated", "button 3 macro:10:repeat", "", "84:09000305",
        "macro 10 --from macro.json");
    row("button media", "button 7 volume-up", "", "100:E9000003");
    row("button dpi", "button 4 dpi-plus", "", "88:0100000B");
    row("button fire key", "button 5 fire-key", "", "92:F00A020C");
    row("button sniper key", "button 6 sniper-key", "", "96:C80003F0");
    row("button in the page's words", "button 5 Play/Pause", "", "92:CD000003");
    row("last left click given away", "button 1 right-key --yes", "", "76:F1000002");
    row("left click kept elsewhere", "button 1 right-key", "", "76:F1000002",
        "set button 2 left-key");
    row("sensor mode", "sensor power-saving", "", "2:02");
    row("motion sync", "sensor motion-sync off", "", "2:08");
    row("ripple control", "sensor ripple-control on", "", "2:0B");
    row("angle snapping", "sensor angle-snapping on", "", "2:0E");
    row("power mode", "power turbo", "", "2:2A");
    row("lift-off", "lod 2", "", "25:02");
    row("sleep longest", "sleep 1800", "", "26:B4");
    row("sleep shortest", "sleep 10", "", "26:01");
    row("debounce longest", "debounce 30", "", "0:1E");
    row("debounce shortest", "debounce 1", "", "0:01");
}

void TstQuillexctl::setWritesWhatThePagesWrite()
{
    QFETCH(QString, plugged);
    QFETCH(QString, before);
    QFETCH(QString, command);
    QFETCH(QString, table0);
    QFETCH(QString, table1);
    bench->sim({"plug", plugged});
    QVERIFY(bench->writeFile("work/macro.json", R"({"actions": [0, 2, 1, 4, 129, 4, 0, 0]})"));
    if (!before.isEmpty())
        QCOMPARE(bench->ctl(words(before)).exitCode, 0);
    const QByteArray t0 = bench->memory(plugged, "table0");
    const QByteArray t1 = bench->memory(plugged, "table1");
    QCOMPARE(t1.size(), 126);
    const Run run = bench->ctl(QStringList{"set"} + words(command));
    QVERIFY2(run.exitCode == 0, said(run));
    QCOMPARE(bench->memory(plugged, "table0").toHex(' '), patched(t0, table0).toHex(' '));
    QCOMPARE(bench->memory(plugged, "table1").toHex(' '), patched(t1, table1).toHex(' '));
}

void TstQuillexctl::refusedSetWritesNothing_data()
{
    QTest::addColumn<QString>("plugged");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("named"); // in the message
    const auto row = [](const QString& command, const QString& named,
                        const QString& plugged = "mouse") {
        QTest::newRow(qPrintable(plugged + ": " + command)) << plugged << command << named;
    };
    row("dpi 1 550", "dpi.levels[0]");
    row("dpi 1 100", "dpi.levels[0]");
    row("dpi 3 26100", "dpi.levels[2]");
    row("dpi 1 fast", "dpi.levels[0]");
    row("dpi 6 800", "dpi level 6");
    row("level 0", "dpi.current");
    row("level 6", "dpi.current");
    row("button 3 macro:4", "macro 4 is not stored");
    row("rate 300", "reportRate");
    row("rate fast", "reportRate");
    row("rate 8000", "reportRate", "receiver1k");
    row("rate 2000", "reportRate", "receiver1k");
    row("lighting sparkle", "lighting.effect");
    row("lighting breath --speed 6", "lighting.speed");
    row("lighting breath --speed", "lighting.speed");
    row("lighting breath --brightness 50", "lighting.brightness");
    row("lighting breath --slot 8", "lighting.colour");
    row("lighting static --slot 2 --color 12345", "lighting.slots[1]");
    row("lighting static --slot 2 --color 12345g", "lighting.slots[1]");
    row("lighting static --slot cycle --color 112233", "--color");
    row("button 8 left-key", "button 8");
    row("button 0 left-key", "button 0");
    row("button 2 jump", "buttons[1]");
    row("button 2 keys:00", "buttons[1]");
    row("button 2 keys:04+05+06+07", "buttons[1]");
    row("button 2 macro:11", "buttons[1]");
    row("button 2 macro:0", "buttons[1]");
    row("button 1 right-key", "--yes");
    row("power fast", "sensor.powerMode");
    row("lod 3", "power.liftOffMm");
    row("sleep 20", "power.sleepSeconds");
    row("debounce 0", "power.keyResponseMs");
    row("debounce 31", "power.keyResponseMs");
}

void TstQuillexctl::refusedSetWritesNothing()
{
    QFETCH(QString, plugged);
    QFETCH(QString, command);
    QFETCH(QString, named);
    bench->sim({"plug", plugged});
    const QList<QByteArray> before = bench->state(plugged);
    const Run run = bench->ctl(QStringList{"set"} + words(command));
    QVERIFY2(run.exitCode == 2, said(run));
    QVERIFY2(run.err.contains(named.toUtf8()), run.err);
    QCOMPARE(bench->writes(), QStringList());
    QCOMPARE(bench->state(plugged), before);
}

void TstQuillexctl::exportResetImportRestoresEveryByte()
{
    bench->sim({"plug", "mouse"});
    QVERIFY(bench->writeFile("work/macro.json", R"({"actions": [0, 2, 1, 4, 129, 4, 0, 0]})"));
    QVERIFY(bench->writeFile("work/other.json", R"({"actions": [0, 1, 1, 5, 129, 5, 0, 0]})"));
    for (const char* line : {"set dpi 2 1200", "set dpi 5 25000", "set rate 500", "set level 3",
                             "set lighting neon --speed 2 --brightness 60 --slot 5 --color a0b0c0",
                             "set button 4 keys:04+05", "macro 3 --from macro.json",
                             "set button 7 macro:3:repeat", "set sensor angle-snapping on",
                             "set power turbo", "set lod 2", "set sleep 300", "set debounce 10"}) {
        const Run run = bench->ctl(words(line));
        QVERIFY2(run.exitCode == 0, qPrintable(line + QString(": ") + run.err));
    }
    const QList<QByteArray> changed = bench->state();
    QVERIFY(changed.at(2).size() > 2);

    // A name typed relative to where the caller is.
    QCOMPARE(bench->ctl({"export", "saved.json"}).exitCode, 0);
    const QJsonObject saved = QJsonDocument::fromJson(bench->readFile("work/saved.json")).object();
    QCOMPARE(saved["format"].toString(), QString("quillex-settings"));
    QCOMPARE(saved["version"].toInt(), 1);

    QCOMPARE(bench->ctl({"reset", "--yes"}).exitCode, 0);
    QCOMPARE(bench->ctl({"macro", "3", "--from", "other.json"}).exitCode, 0);
    const QList<QByteArray> reset = bench->state();
    QVERIFY(reset.at(0) != changed.at(0) && reset.at(1) != changed.at(1) &&
            reset.at(2) != changed.at(2));

    const Run import = bench->ctl({"import", "saved.json"});
    QVERIFY2(import.exitCode == 0, said(import));
    const QList<QByteArray> restored = bench->state();
    QCOMPARE(restored.at(0).toHex(' '), changed.at(0).toHex(' '));
    QCOMPARE(restored.at(1).toHex(' '), changed.at(1).toHex(' '));
    QCOMPARE(restored.at(2).toHex(' '), changed.at(2).toHex(' '));
}

void TstQuillexctl::exportRefusesWhatImportCouldNotRestore()
{
    bench->sim({"plug", "mouse"});
    // The mouse switched itself to a level beyond the five it has.
    bench->sim({"notify", "mouse", "0B", "07", "00", "00"});
    const Run run = bench->ctl({"export", "saved.json"});
    QVERIFY2(run.exitCode == 1, said(run));
    QVERIFY2(run.err.contains("dpi.current"), run.err);
    QVERIFY(bench->readFile("work/saved.json").isEmpty());
}

void TstQuillexctl::refusedImportWritesNothing_data()
{
    // "path=JSON" replaces a member of a saved file, "path" removes it; the others are named.
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("named"); // in the message
    const auto row = [](const char* name, const char* change, const char* named) {
        QTest::newRow(name) << QString(change) << QString(named);
    };
    row("not JSON", "not JSON", "not JSON");
    row("truncated", "truncated", "not JSON");
    row("oversized", "oversized", "too large");
    row("oversized through a pipe", "oversized pipe", "too large");
    row("a list", "list", "document");
    row("other format", "format=\"other-settings\"", "format");
    row("newer version", "version=2", "version");
    row("version as text", "version=\"1\"", "version");
    row("unknown member", "colour=1", "colour: unknown setting");
    row("unknown section member", "power.turbo=true", "power.turbo: unknown");
    row("missing member", "sensor.angleSnapping", "sensor.angleSnapping: missing");
    row("missing section", "lighting", "lighting");
    row("missing rate", "reportRate", "reportRate");
    row("missing buttons", "buttons", "buttons");
    row("missing macros", "macros", "macros");
    row("dpi above range", "dpi.levels.2=26100", "dpi.levels[2]");
    row("dpi off its steps", "dpi.levels.0=450", "dpi.levels[0]");
    row("a level short", "dpi.levels.4", "dpi.levels");
    row("level out of range", "dpi.current=6", "dpi.current");
    row("rate unknown", "reportRate=300", "reportRate");
    row("switch not true or false", "sensor.motionSync=1", "sensor.motionSync");
    row("key response too long", "power.keyResponseMs=31", "power.keyResponseMs");
    row("sleep unknown", "power.sleepSeconds=20", "power.sleepSeconds");
    row("speed out of range", "lighting.speed=0", "lighting.speed");
    row("brightness unknown", "lighting.brightness=50", "lighting.brightness");
    row("colour slot unknown", "lighting.colour=8", "lighting.colour");
    row("slot colour short", "lighting.slots.3=\"#12345\"", "lighting.slots[3]");
    row("button unknown", "buttons.6=\"jump\"", "buttons[6]");
    row("no left click without --yes", "buttons.0=\"right-key\"", "left click");
    row("button playing a macro held nowhere", "buttons.3=\"macro:5\"", "buttons[3]: plays macro 5");
    row("macro number out of range", "macros.0.number=11", "macros[0].number");
    row("macro entry out of range", "macros.0.actions.2=256", "macros[0].actions");
    row("macro number twice",
        R"(macros=[{"number": 3, "actions": [0, 1, 0, 0]}, {"number": 3, "actions": [0, 1, 0, 0]}])",
        "macros[1].number: 3 appears twice");
    row("macro member unknown", "macros.0.name=\"x\"", "macros[0]");
}

void TstQuillexctl::refusedImportWritesNothing()
{
    QFETCH(QString, change);
    QFETCH(QString, named);
    bench->sim({"plug", "mouse"});
    QVERIFY(bench->writeFile("work/macro.json", R"({"actions": [0, 2, 1, 4, 129, 4, 0, 0]})"));
    QCOMPARE(bench->ctl({"macro", "3", "--from", "macro.json"}).exitCode, 0);
    QCOMPARE(bench->ctl({"export", "saved.json"}).exitCode, 0);
    const QByteArray good = bench->readFile("work/saved.json");
    QVERIFY(!good.isEmpty());

    QByteArray bad;
    if (change == "not JSON")
        bad = "quillex settings\n";
    else if (change == "truncated")
        bad = good.left(good.size() / 2);
    else if (change.startsWith("oversized"))
        bad = good + QByteArray(1024 * 1024, ' ');
    else if (change == "list")
        bad = "[" + good + "]";
    else {
        const QJsonValue member =
            change.contains('=')
                ? QJsonDocument::fromJson("[" + change.section('=', 1).toUtf8() + "]").array().at(0)
                : QJsonValue(QJsonValue::Undefined);
        bad = QJsonDocument(edited(QJsonDocument::fromJson(good).object(),
                                   change.section('=', 0, 0).split('.'), member)
                                .toObject())
                  .toJson();
    }
    QVERIFY(bench->writeFile("work/bad.json", bad));
    const QList<QByteArray> before = bench->state();
    bench->clearTrace();
    const Run run = change.endsWith("pipe") ? bench->ctl({"import", "/dev/stdin"}, bad)
                                            : bench->ctl({"import", "bad.json"});
    QVERIFY2(run.exitCode == 2, said(run));
    QVERIFY2(run.err.contains(named.toUtf8()), run.err);
    QCOMPARE(bench->writes(), QStringList());
    QCOMPARE(bench->state(), before);
}

void TstQuillexctl::profileSwitchesTheDeviceAndTheWindow()
{
    bench->sim({"plug", "mouse"});
    const QByteArray firstProfile = bench->memory("mouse", "table1.0");
    QCOMPARE(bench->ctl({"profile", "2"}).exitCode, 0);
    QCOMPARE(bench->memory("mouse", "profile").toHex(), QByteArray("01"));
    const QSettings window(bench->path("app/modules/apConfig.ini"), QSettings::IniFormat);
    QCOMPARE(window.value("Setting/data").toList().value(2).toInt(), 1);

    // What follows goes to the profile now in use.
    QCOMPARE(bench->ctl({"set", "dpi", "1", "500"}).exitCode, 0);
    QCOMPARE(bench->memory("mouse", "table1.1").mid(9, 2).toHex(), QByteArray("f401"));
    QCOMPARE(bench->memory("mouse", "table1.0"), firstProfile);
    const Run shown = bench->ctl({"--json", "show"});
    QCOMPARE(QJsonDocument::fromJson(shown.out).object()["profile"].toInt(), 2);
}

void TstQuillexctl::pairingGivesTheReceiverTheMouseBlock()
{
    bench->sim({"plug", "mouse"});
    const Run alone = bench->ctl({"pair"});
    QVERIFY2(alone.exitCode == 3, said(alone));
    QVERIFY2(alone.err.contains("receiver"), alone.err);
    QCOMPARE(bench->writes(), QStringList());

    bench->sim({"plug", "receiver8k"});
    const QByteArray mouseBlock = bench->memory("mouse", "pairing");
    QVERIFY(mouseBlock.size() == 64 && mouseBlock != QByteArray(64, '\0'));
    const Run run = bench->ctl({"pair"});
    QVERIFY2(run.exitCode == 0, said(run));
    QCOMPARE(bench->memory("receiver8k", "pairing").toHex(' '), mouseBlock.toHex(' '));
}

void TstQuillexctl::updateFromAFolder()
{
    QVERIFY(bench->copy("updateEx"));
    bench->sim({"plug", "fw-mouse", "mouse"});
    QVERIFY(QDir().mkpath(bench->path("empty")));
    const Run refused = bench->ctl({"update", "--folder", bench->path("empty")});
    QVERIFY2(refused.exitCode == 2, said(refused));
    QVERIFY2(refused.err.contains("holds no complete firmware"), refused.err);
    QCOMPARE(bench->writes(), QStringList());

    testfw::Folder folder;
    folder.devImage = testfw::devImageText(0x093A, 0xC791, 0xFF10, 0x0001);
    folder.b0Name = "mouse.bin";
    folder.b0File = testfw::firstImageFile(testfw::plainImage(3000, 0x0123));
    QVERIFY(testfw::writeFolder(bench->path("firmware/"), folder));
    QVERIFY(bench->sim({"state", "mouse"}).startsWith("mouse 093A:C791 release 0104"));
    const Run run = bench->ctl({"update", "--folder", bench->path("firmware")});
    QVERIFY2(run.exitCode == 0, said(run));
    // Not a terminal: plain progress lines, then the result.
    QStringList lines = QString(run.out).split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.size() > 2, run.out);
    QCOMPARE(lines.takeLast(), QString("the firmware is updated"));
    QCOMPARE(lines.first(), QString("firmware 0 %"));
    QCOMPARE(lines.last(), QString("firmware 100 %"));
    for (const QString& line : lines)
        QVERIFY2(QRegularExpression("^firmware \\d{1,3} %$").match(line).hasMatch(),
                 qPrintable(line));
    QVERIFY(bench->sim({"state", "mouse"}).startsWith("mouse 093A:C791 release 0123"));
}

void TstQuillexctl::windowKeepsTheDevicesWhileItRuns()
{
    QVERIFY(bench->copy("quillex"));
    bench->sim({"plug", "mouse"});
    QProcess window;
    QProcessEnvironment env = bench->environment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    window.setProcessEnvironment(env);
    window.start(bench->path("app/quillex"), QStringList());
    QVERIFY(window.waitForStarted());
    // The window claims the devices before it looks for them.
    QTRY_VERIFY_WITH_TIMEOUT(bench->trace().contains(" enumerate "), 20000);

    const Run busy = bench->ctl({"set", "dpi", "1", "500"});
    QVERIFY2(busy.exitCode == 3, said(busy));
    QVERIFY2(busy.err.contains("Quillex is running"), busy.err);
    QVERIFY(!bench->trace().contains("00 03 09 02 F4 01"));
    QCOMPARE(bench->memory("mouse", "table1").mid(9, 2).toHex(), QByteArray("9001"));

    window.terminate();
    QVERIFY(window.waitForFinished(20000));
    const Run free = bench->ctl({"set", "dpi", "1", "500"});
    QVERIFY2(free.exitCode == 0, said(free));
    QCOMPARE(bench->memory("mouse", "table1").mid(9, 2).toHex(), QByteArray("f401"));
}

void TstQuillexctl::deviceFailureExitsOne_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("no answer") << "no-answer instant";
    QTest::newRow("sends fail") << "send";
    QTest::newRow("reads fail") << "read";
}

void TstQuillexctl::deviceFailureExitsOne()
{
    QFETCH(QString, fault);
    bench->sim({"plug", "mouse"});
    const QList<QByteArray> before = bench->state();
    bool ok = true;
    bench->sim(QStringList{"fault", "mouse"} + words(fault), &ok);
    QVERIFY(ok);
    const Run run = bench->ctl({"set", "dpi", "1", "500"});
    QVERIFY2(run.exitCode == 1, said(run));
    QVERIFY2(run.err.startsWith("quillexctl: "), run.err);
    QCOMPARE(bench->state(), before);
}

void TstQuillexctl::commandLineAloneNeverTouchesTheBus_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("usage"); // how the output starts; empty: a message on stderr
    QTest::newRow("--help") << "--help" << 0 << "Usage: quillexctl [--json] COMMAND";
    for (const char* command : {"[--json] list", "[--json] show", "set", "profile", "macro",
                                "export", "import", "reset", "pair", "update"}) {
        const QString name = QString(command).section(' ', -1);
        QTest::newRow(qPrintable(name + " --help"))
            << name + " --help" << 0 << QString("Usage: quillexctl %1").arg(command);
    }
    const QString wrong = "|frobnicate|list extra|show a b|set|set dpi 1|set colour red|"
                          "set sensor fast|set sensor motion-sync maybe|set lighting static extra|"
                          "set rate|profile|profile 0|profile 4|profile two|macro 3|"
                          "macro 11 --from macro.json|macro 3 --from missing.json|export|import|"
                          "import a.json b.json|import missing.json|reset|reset now --yes|"
                          "pair now|update --bogus|update --folder";
    for (const QString& line : wrong.split('|'))
        QTest::newRow(qPrintable(line.isEmpty() ? "no command" : line)) << line << 2 << "";
}

void TstQuillexctl::commandLineAloneNeverTouchesTheBus()
{
    QFETCH(QString, line);
    QFETCH(int, exitCode);
    QFETCH(QString, usage);
    bench->sim({"plug", "mouse"});
    QVERIFY(bench->writeFile("work/macro.json", R"({"actions": [0, 1, 1, 4, 129, 4, 0, 0]})"));
    const Run run = bench->ctl(words(line));
    QVERIFY2(run.exitCode == exitCode, said(run));
    if (usage.isEmpty())
        QVERIFY(run.err.startsWith("quillexctl") || run.err.startsWith("Usage"));
    else
        QVERIFY2(run.out.startsWith(usage.toUtf8()) && run.err.isEmpty(), run.out + run.err);
    QCOMPARE(bench->trace(), QString());
}

QTEST_GUILESS_MAIN(TstQuillexctl)
#include "tst_quillexctl.moc"
