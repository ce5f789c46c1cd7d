// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "device/discovery.h"
#include "frontend/macrostore.h"
#include "frontend/settingsfiles.h"
#include "frontend/updaterlaunch.h"
#include "tests/frontend/bridgetesting.h"

#include <QQuickItem>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtConcurrent>
#include <sys/stat.h>

// The listener delivers device notifications through the main window; here straight to the view.
static myQQuickView* eventTarget = nullptr;
void forwardDeviceEvent(Widget*, quint8 byte0, quint8 byte1, quint8 byte2, quint8 byte3)
{
    if (eventTarget)
        eventTarget->syncFwData(byte0, byte1, byte2, byte3);
}

static const QString deviceStr = QStringLiteral("NORVIK GAMING Quillex");

static QList<int> ints(const QVariantList& list)
{
    QList<int> out;
    for (const QVariant& v : list)
        out << v.toInt();
    return out;
}

static std::vector<uint8_t> bytesOf(const QVariantList& list)
{
    std::vector<uint8_t> out;
    for (const QVariant& v : list)
        out.push_back(uint8_t(v.toInt()));
    return out;
}

// Frames the program sent as feature reports, in order.
static std::vector<std::vector<uint8_t>> sentFrames()
{
    std::vector<std::vector<uint8_t>> frames;
    for (const sim::TraceEntry& e : sim::inproc::trace().snapshot())
        if (e.op == "send-feature")
            frames.push_back(e.bytes);
    return frames;
}

static std::vector<uint8_t> frame(std::initializer_list<uint8_t> bytes)
{
    std::vector<uint8_t> f(bytes);
    f.resize(9, 0);
    return f;
}

class TestMyQQuickView : public bridgetesting::BridgeTest
{
    Q_OBJECT

    QQuickItem* scene() const { return view->rootObject(); }

    void plug(const char* kind)
    {
        std::string error;
        QVERIFY2(sim::inproc::bus().plug(kind, kind, error), error.c_str());
    }
    void rediscover() { link.publishDevices(discoverDevices()); }
    void setStandIn(const QByteArray& output, int exitCode)
    {
        qputenv("QUILLEX_STANDIN_OUTPUT", output.toHex());
        qputenv("QUILLEX_STANDIN_EXIT", QByteArray::number(exitCode));
    }
    void installStandIn()
    {
        QDir().mkpath(root.path() + QStringLiteral("/updateEx"));
        const QString target = root.path() + QStringLiteral("/updateEx/update");
        QFile::remove(target);
        QVERIFY(QFile::copy(QStringLiteral(STANDIN_UPDATER), target));
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::ExeOwner);
    }

private slots:
    void initTestCase()
    {
        createView(QStringLiteral(MODULES_SOURCE_DIR));
        QVERIFY(view);
        view->setSource(QUrl::fromLocalFile(QStringLiteral(FIXTURE_DIR "/bridge.qml")));
        QVERIFY(scene());
        eventTarget = view;
    }
    void cleanupTestCase()
    {
        destroyView();
        eventTarget = nullptr;
    }
    void init()
    {
        link.hid_StopListen();
        sim::inproc::reset();
        link.curDevIndex = 255;
        rediscover();
    }

    // --- calls into the scene -------------------------------------------------------------

    // The device check rebuilds the scene only when that is safe, so the rebuild runs at once;
    // a layout change is posted.
    void sceneRebuildRunsAtOnceLayoutIsQueued()
    {
        const int before = scene()->property("initCount").toInt();
        view->initUI();
        QCOMPARE(scene()->property("initCount").toInt(), before + 1);
        view->setUiLayout(2, 0.5);
        QTRY_COMPARE(scene()->property("layout").toString(), QStringLiteral("number 2 0.5"));
    }

    // A notification arriving while an exchange lets events run is handed over after it: the
    // page may be about to fill itself from tables read before the notification.
    void deviceEventsWaitForTheExchangeInProgress()
    {
        const int before = scene()->property("eventCount").toInt();
        QtConcurrent::run([this] { view->syncFwData(0x11, 0x64, 0, 0xFF); }).waitForFinished();
        int duringExchange = -1;
        link.isReady = 0; // an earlier exchange still holds the transport
        QTimer::singleShot(0, this, [&] {
            QCoreApplication::processEvents();
            duringExchange = scene()->property("eventCount").toInt();
            link.isReady = 1;
        });
        link.hid_Send8ByteData(0, 0, 1, 0, 0, 0, 0);
        QCOMPARE(duringExchange, before);
        QTRY_COMPARE(scene()->property("eventCount").toInt(), before + 1);
        QCOMPARE(scene()->property("lastEvent").toString(), QStringLiteral("17,100,0,255 number"));
    }

    void notificationOfTheSelectedDeviceReachesTheScene()
    {
        plug("mouse");
        rediscover();
        view->connectCurrentDevice(deviceStr, 2, 0);
        const int before = scene()->property("eventCount").toInt();
        // The listener may still be opening the event interface: repeat until one gets through.
        QTRY_VERIFY_WITH_TIMEOUT((sim::inproc::bus().notify("mouse", {0x0B, 3, 0, 0}),
                                  scene()->property("eventCount").toInt() > before),
                                 3000);
        QCOMPARE(scene()->property("lastEvent").toString(), QStringLiteral("11,3,0,0 number"));
    }

    // --- data folder ----------------------------------------------------------------------

    void writableFolderIsUsedInPlace()
    {
        QCOMPARE(modulesDir(), QStringLiteral("./modules"));
        QCOMPARE(
            QFileInfo(view->appSettings->fileName()).canonicalFilePath(),
            QFileInfo(root.path() + QStringLiteral("/modules/apConfig.ini")).canonicalFilePath());
        const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QVERIFY(!QFileInfo::exists(data + QStringLiteral("/modules")));
        QVERIFY(isFolderWritable(root.path()));
        QVERIFY(!isFolderWritable(root.path() + QStringLiteral("/missing")));
    }

    void readOnlyFolderIsCopiedOnceAndKept()
    {
        // Permission bits do not stop root, so the "cannot write" answer is injected.
        const auto readOnly = [](const QString&) { return false; };
        QTemporaryDir userData;
        const QString relocated = userData.path() + QStringLiteral("/modules");

        QCOMPARE(chooseModulesDir(QStringLiteral("./modules"), userData.path(), readOnly),
                 relocated);
        QVERIFY(QFileInfo(relocated + QStringLiteral("/apConfig.ini")).isFile());
        QVERIFY(QFileInfo(relocated + QStringLiteral("/P-NORVIK GAMING Quillex/profile0.ini"))
                    .isFile());

        {
            QSettings mine(relocated + QStringLiteral("/apConfig.ini"), QSettings::IniFormat);
            mine.setValue(QStringLiteral("Setting/data"), QVariantList{0, 0, 2, 1});
        }
        QCOMPARE(chooseModulesDir(QStringLiteral("./modules"), userData.path(), readOnly),
                 relocated);
        QSettings again(relocated + QStringLiteral("/apConfig.ini"), QSettings::IniFormat);
        QCOMPARE(again.value(QStringLiteral("Setting/data")).toStringList(),
                 QStringList({"0", "0", "2", "1"}));

        // A copy that lacks shipped files (a first start killed halfway, or files a newer
        // program ships) gets them; what the user has stays as it is.
        const QString profile = relocated + QStringLiteral("/P-NORVIK GAMING Quillex/profile0.ini");
        QVERIFY(QFile::remove(profile));
        QCOMPARE(chooseModulesDir(QStringLiteral("./modules"), userData.path(), readOnly),
                 relocated);
        QVERIFY(QFileInfo(profile).isFile());
        QSettings kept(relocated + QStringLiteral("/apConfig.ini"), QSettings::IniFormat);
        QCOMPARE(kept.value(QStringLiteral("Setting/data")).toStringList(),
                 QStringList({"0", "0", "2", "1"}));

        // What a first start killed while copying left is not taken for the user's data.
        QTemporaryDir interrupted;
        const QString partial = interrupted.path() + QStringLiteral("/modules.partial");
        QVERIFY(QDir().mkpath(partial + QStringLiteral("/i18n")));
        QCOMPARE(chooseModulesDir(QStringLiteral("./modules"), interrupted.path(), readOnly),
                 interrupted.path() + QStringLiteral("/modules"));
        QVERIFY(QFileInfo(interrupted.path() + QStringLiteral("/modules/apConfig.ini")).isFile());
        QVERIFY(!QFileInfo::exists(partial));

        // With nowhere to copy to (a file blocks the data folder), the shipped settings are
        // still what is read.
        const QString blocked = userData.path() + QStringLiteral("/blocked");
        QFile(blocked).open(QIODevice::WriteOnly);
        QCOMPARE(chooseModulesDir(QStringLiteral("./modules"), blocked, readOnly),
                 QStringLiteral("./modules"));
    }

    void copiesOfReadOnlyFilesStayWritable()
    {
        QTemporaryDir source, target;
        QFile f(source.path() + QStringLiteral("/apConfig.ini"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::ReadGroup);
        copyDirectory(source.path(), target.path() + QStringLiteral("/m"));
        QVERIFY(QFile::permissions(target.path() + QStringLiteral("/m/apConfig.ini")) &
                QFileDevice::WriteOwner);
    }

    // --- application settings -------------------------------------------------------------

    void saveAppDataListModes()
    {
        const QString key = QStringLiteral("Setting/data");
        QVERIFY(view->saveAppDataList(key, {1, 0, 0, 2}, 0));
        QVERIFY(view->closeToTray);
        QVERIFY(view->saveAppDataList(key, {0, 0, 0, 2}, 0));
        QVERIFY(!view->closeToTray);
        QVERIFY(view->saveAppDataList(key, {0, 0, 2, 2}, 2));
        QCOMPARE(view->currentProfile, 2u);
        QVERIFY(view->saveAppDataList(key, {0, 0, 2, 1}, 3));
        QCOMPARE(view->currentProfile, 2u);

        QSettings stored(QStringLiteral("modules/apConfig.ini"), QSettings::IniFormat);
        QCOMPARE(stored.value(key).toStringList(), QStringList({"0", "0", "2", "1"}));
    }

    void unsavableSettingsAreReportedOnce()
    {
        // A folder that is a file cannot take the settings, whoever the user is.
        const QString blocked = root.path() + QStringLiteral("/blocked");
        QFile(blocked).open(QIODevice::WriteOnly);
        QSettings* const saved = view->appSettings;
        QSettings unsavable(blocked + QStringLiteral("/apConfig.ini"), QSettings::IniFormat);
        view->appSettings = &unsavable;
        QSignalSpy reported(view, &myQQuickView::settingsNotSaved);
        QVERIFY(view->saveAppDataList(QStringLiteral("Setting/data"), {1, 0, 0, 2}, 0));
        QVERIFY(view->saveAppDataList(QStringLiteral("Setting/data"), {0, 0, 0, 2}, 0));
        view->appSettings = saved;
        QCOMPARE(reported.count(), 1);
    }

    void startUpSwitchRoundTrip()
    {
        const QString key = QStringLiteral("Setting/data");
        QVERIFY(view->saveAppDataList(key, {1, 1, 0, 2}, 1));
        const QString entry = root.path() + QStringLiteral("/config/autostart/") +
                              QCoreApplication::applicationName() + QStringLiteral(".desktop");
        QVERIFY(QFile::exists(entry));
        QCOMPARE(view->getAppDataList(key).value(1).toInt(), 1);

        // Switching off with no entry present succeeds and is stored.
        QFile::remove(entry);
        QVERIFY(view->saveAppDataList(key, {1, 0, 0, 2}, 1));
        QVERIFY(!QFile::exists(entry));
        QCOMPARE(ints(view->getAppDataList(key)), QList<int>({1, 0, 0, 2}));
    }

    void failedStartUpSwitchStoresNothing()
    {
        const QString key = QStringLiteral("Setting/data");
        QVERIFY(view->saveAppDataList(key, {0, 0, 1, 2}, 3));
        QTemporaryDir blocked;
        QFile file(blocked.path() + QStringLiteral("/autostart")); // a file where the folder goes
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(blocked.path()));
        const bool saved = view->saveAppDataList(key, {1, 1, 1, 2}, 1);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.path() + QStringLiteral("/config")));
        QVERIFY(!saved);
        QSettings stored(QStringLiteral("modules/apConfig.ini"), QSettings::IniFormat);
        QCOMPARE(stored.value(key).toStringList(), QStringList({"0", "0", "1", "2"}));
    }

    void getAppDataListReportsTheLiveStartUpState()
    {
        const QString key = QStringLiteral("Setting/data");
        QVERIFY(view->saveAppDataList(key, {1, 1, 2, 0}, 1));
        QFile::remove(root.path() + QStringLiteral("/config/autostart/") +
                      QCoreApplication::applicationName() + QStringLiteral(".desktop"));
        view->closeToTray = false;
        view->currentProfile = 0;
        QCOMPARE(ints(view->getAppDataList(key)), QList<int>({1, 0, 2, 0}));
        QVERIFY(view->closeToTray);
        QCOMPARE(view->currentProfile, 2u);
    }

    void missingOrShortSettingsReadAsZero()
    {
        view->closeToTray = true;
        view->currentProfile = 2;
        QCOMPARE(ints(view->getAppDataList(QStringLiteral("Setting/absent"))),
                 QList<int>({0, 0, 0, 0}));
        QVERIFY(!view->closeToTray);
        QCOMPARE(view->currentProfile, 0u);
        view->appSettings->setValue(QStringLiteral("Setting/short"), QStringLiteral("1"));
        QCOMPARE(ints(view->getAppDataList(QStringLiteral("Setting/short"))),
                 QList<int>({1, 0, 0, 0}));
        QVERIFY(view->closeToTray);
    }

    // --- profile files --------------------------------------------------------------------

    void profileFileFollowsTheCurrentProfile()
    {
        const QString profile1 = QStringLiteral("modules/P-NORVIK GAMING Quillex/profile1.ini");
        {
            QSettings file(profile1, QSettings::IniFormat);
            file.setIniCodec("UTF-8");
            file.setValue(QStringLiteral("Macro/3"), QStringLiteral("{\"name\":\"Макро 宏\"}"));
        }
        QVERIFY(view->saveAppDataList(QStringLiteral("Setting/data"), {0, 0, 1, 2}, 2));
        const QVariant macro =
            view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("3"), deviceStr);
        QCOMPARE(macro.toString(), QStringLiteral("{\"name\":\"Макро 宏\"}"));
        QVERIFY(view->profileSettings->fileName().endsWith(
            QStringLiteral("/P-NORVIK GAMING Quillex/profile1.ini")));
        QVERIFY(!view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("4"), deviceStr)
                     .isValid());
    }

    void lowerCaseMacroKeyOpensTheFileButReturnsNothing()
    {
        QVERIFY(view->saveAppDataList(QStringLiteral("Setting/data"), {0, 0, 2, 2}, 2));
        const QVariant result =
            view->getOtherProperty(QStringLiteral("macro"), QStringLiteral("3"), deviceStr);
        QVERIFY(!result.isValid());
        QVERIFY(view->profileSettings);
        QVERIFY(view->profileSettings->fileName().endsWith(QStringLiteral("/profile2.ini")));
    }

    // A profile far larger than the app writes is kept aside, unread; the profile starts empty
    // and takes new macros.
    void oversizedProfileIsKeptAsideAndStartsEmpty()
    {
        QVERIFY(view->saveAppDataList(QStringLiteral("Setting/data"), {0, 0, 1, 2}, 2));
        const QString profile1 = QStringLiteral("modules/P-NORVIK GAMING Quillex/profile1.ini");
        QByteArray oversized("[Macro]\n3=\"{}\"\n");
        oversized.append(QByteArray(int(kProfileMaxBytes), ';'));
        {
            QFile file(profile1);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            QCOMPARE(file.write(oversized), qint64(oversized.size()));
        }
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("settings file .*profile1.ini"));
        QSignalSpy setAside(view, &myQQuickView::settingsSetAside);
        QVERIFY(!view->getOtherProperty(QStringLiteral("MACRO"), QStringLiteral("3"), deviceStr)
                     .isValid());
        QVERIFY(setAside.wait());
        QVERIFY(setAside.first().first().toString().endsWith(
            QStringLiteral("/profile1.ini.oversized")));
        QFile aside(profile1 + QStringLiteral(".oversized"));
        QVERIFY(aside.open(QIODevice::ReadOnly));
        QCOMPARE(aside.readAll(), oversized);
        view->profileSettings->setValue(storedMacroKey(QStringLiteral("3")), QStringLiteral("{}"));
        view->profileSettings->sync();
        QCOMPARE(view->profileSettings->status(), QSettings::NoError);
        QVERIFY(QFileInfo(profile1).size() < 100);
    }

    // Each oversized file is kept, up to ten; beyond them nothing is read or overwritten. A pipe
    // in a settings file's place is set aside instead of blocking the start.
    void oversizedCopiesAreKeptAndPipesSetAside()
    {
        QTemporaryDir folder;
        const QString path = folder.path() + QStringLiteral("/apConfig.ini");
        const auto writeOversized = [&path](int n) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(QByteArray("[Setting]\ndata=") + QByteArray::number(n) + "\n");
            file.write(QByteArray(int(kAppSettingsMaxBytes), ';'));
        };
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("settings file .*apConfig.ini"));
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        QCOMPARE(boundedSettingsFile(path, kAppSettingsMaxBytes).path, path);
        QVERIFY(!QFileInfo::exists(path));
        QVERIFY(QFile::remove(path + QStringLiteral(".oversized")));

        for (int n = 0; n < 10; ++n) {
            writeOversized(n);
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("settings file .*apConfig.ini"));
            QCOMPARE(boundedSettingsFile(path, kAppSettingsMaxBytes).path, path);
        }
        QCOMPARE(QSettings(path + QStringLiteral(".oversized.9"), QSettings::IniFormat)
                     .value(QStringLiteral("Setting/data"))
                     .toInt(),
                 9);
        writeOversized(10);
        const qint64 size = QFileInfo(path).size();
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("settings file .*apConfig.ini"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("cannot move .*apConfig.ini"));
        QSettings settings(boundedSettingsFile(path, kAppSettingsMaxBytes).path,
                           QSettings::IniFormat);
        QVERIFY(!settings.contains(QStringLiteral("Setting/data")));
        settings.setValue(QStringLiteral("Setting/data"), 2);
        settings.sync();
        QCOMPARE(QFileInfo(path).size(), size);
        QCOMPARE(QSettings(path + QStringLiteral(".oversized"), QSettings::IniFormat)
                     .value(QStringLiteral("Setting/data"))
                     .toInt(),
                 0);
    }

    // --- updater launch -------------------------------------------------------------------

    void progressFromTheUpdater_data()
    {
        QTest::addColumn<QByteArray>("output");
        QTest::addColumn<QList<uint>>("expected");
        QTest::newRow("CR LF") << QByteArray("37\r\n") << QList<uint>{37};
        QTest::newRow("two lines in one read: the latest counts")
            << QByteArray("40\n41\n") << QList<uint>{41};
        QTest::newRow("line break only") << QByteArray("\r\n") << QList<uint>{};
        QTest::newRow("not a number") << QByteArray("done\n") << QList<uint>{};
        QTest::newRow("above 100") << QByteArray("250\n") << QList<uint>{};
        QTest::newRow("leading break") << QByteArray("\n\r100\r\n") << QList<uint>{100};
    }
    void progressFromTheUpdater()
    {
        QFETCH(QByteArray, output);
        QFETCH(QList<uint>, expected);
        installStandIn();
        setStandIn(output, 0);
        QSignalSpy progress(view, &myQQuickView::updateProgram);
        QSignalSpy finished(view, &myQQuickView::updateFinished);
        view->startFwUpdateEvent(QStringLiteral("../modules/P-NORVIK GAMING Quillex/updater/D8/"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.first().first().toBool(), true);
        QList<uint> seen;
        for (const QList<QVariant>& args : progress)
            seen << args.first().toUInt();
        QCOMPARE(seen, expected);
    }

    // Reads end anywhere: a number counts once its line is complete, and only whole.
    void progressLinesSpanReads()
    {
        UpdaterProgressLines lines;
        QCOMPARE(lines.feed("1"), std::nullopt);
        QCOMPARE(lines.feed("5\r"), std::optional<uint>(15));
        QCOMPARE(lines.feed("\n9"), std::nullopt);
        QCOMPARE(lines.feed("9\n10"), std::optional<uint>(99));
        QCOMPARE(lines.feed("0\n"), std::optional<uint>(100));
        QCOMPARE(lines.feed("123456789"), std::nullopt);
        QCOMPARE(lines.feed("0\n"), std::nullopt);
    }

    void updaterGetsFolderAndFlagsAndSuspendsDeviceChecks()
    {
        installStandIn();
        setStandIn("50\n", 0);
        const QString argsFile = root.path() + QStringLiteral("/args.txt");
        qputenv("QUILLEX_STANDIN_ARGS", QFile::encodeName(argsFile));
        view->suspendDeviceCheck = false;
        QSignalSpy finished(view, &myQQuickView::updateFinished);
        view->startFwUpdateEvent(QStringLiteral("../modules/P-NORVIK GAMING Quillex/updater/M8/"));
        QVERIFY(view->suspendDeviceCheck);
        QVERIFY(finished.wait(5000));
        qunsetenv("QUILLEX_STANDIN_ARGS");
        QVERIFY(view->suspendDeviceCheck); // cleared only when the result is shown
        QFile f(argsFile);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()),
                 QStringLiteral("../modules/P-NORVIK GAMING Quillex/updater/M8/\n-s\n-r\n"));
    }

    void failingUpdaterReportsFailureAfterHalfASecond()
    {
        installStandIn();
        setStandIn("12\n", 1);
        QSignalSpy finished(view, &myQQuickView::updateFinished);
        QElapsedTimer clock;
        clock.start();
        view->startFwUpdateEvent(QStringLiteral("x"));
        QVERIFY(finished.wait(5000));
        QVERIFY(clock.elapsed() >= 500);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), false);
    }

    void missingUpdaterStillEndsTheRun()
    {
        QFile::remove(root.path() + QStringLiteral("/updateEx/update"));
        QSignalSpy finished(view, &myQQuickView::updateFinished);
        view->startFwUpdateEvent(QStringLiteral("x"));
        QVERIFY(finished.wait(5000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), false);
        QVERIFY(!view->suspendDeviceCheck);
    }

    // --- tables ---------------------------------------------------------------------------

    void tablesAreReadIntoTheirImages()
    {
        plug("mouse");
        rediscover();
        view->connectCurrentDevice(deviceStr, 2, 0);
        sim::inproc::trace().clear();
        const std::vector<uint8_t> table0 = bytesOf(view->syncFwData_Table0());
        const std::vector<uint8_t> table1 = bytesOf(view->syncFwData_Table1());

        const std::vector<uint8_t> dev0 = *sim::inproc::bus().memory("mouse", "table0");
        const std::vector<uint8_t> dev1 = *sim::inproc::bus().memory("mouse", "table1");
        QCOMPARE(table0.size(), size_t(64));
        QCOMPARE(table1.size(), size_t(128));
        QCOMPARE(int(table0[0]), 0x82);
        for (int k = 1; k < 64; ++k)
            QCOMPARE(int(table0[k]), int(dev0[k - 1]));
        QCOMPARE(int(table1[0]), 0x83);
        QCOMPARE(int(table1[64]), 0x83);
        for (int k = 1; k < 64; ++k)
            QCOMPARE(int(table1[k]), int(dev1[k - 1]));
        for (int k = 65; k < 128; ++k)
            QCOMPARE(int(table1[k]), int(dev1[k - 2]));

        const auto frames = sentFrames();
        QCOMPARE(frames.size(), size_t(3));
        QCOMPARE(frames[0], frame({0x00, 0x82}));
        QCOMPARE(frames[1], frame({0x00, 0x83, 0x00, 0x3F}));
        QCOMPARE(frames[2], frame({0x00, 0x83, 0x3F, 0x3F}));
    }

    void failedTableReadLeavesZeros()
    {
        link.curDevIndex = 255; // nothing selected: the reads fail
        QCOMPARE(bytesOf(view->syncFwData_Table0()), std::vector<uint8_t>(64, 0));
        QCOMPARE(bytesOf(view->syncFwData_Table1()), std::vector<uint8_t>(128, 0));
    }

    // --- device selection -----------------------------------------------------------------

    void initDeviceOnlineSplitsTheType()
    {
        plug("receiver8k");
        plug("mouse");
        rediscover();
        QCOMPARE(view->initDeviceOnline(0), QStringList({deviceStr, "M8K"}));
        QCOMPARE(view->initDeviceOnline(1), QStringList({deviceStr, "D8K"}));
        DevInfo plain;
        plain.type = QStringLiteral("Plain");
        plain.commandPath = QStringLiteral("x");
        link.publishDevices({plain});
        QCOMPARE(view->initDeviceOnline(0), QStringList({"Plain", ""}));
    }

    void connectCurrentDeviceComparesVersions()
    {
        plug("mouse");
        plug("receiver1k");
        rediscover();
        QCOMPARE(view->connectCurrentDevice(deviceStr, 2, 1), false);
        QCOMPARE(link.curDevIndex, 0);
        sim::inproc::bus().setRelease("receiver1k", 0x0101);
        rediscover();
        QCOMPARE(view->connectCurrentDevice(deviceStr, 2, 1), true);
        QCOMPARE(view->connectCurrentDevice(deviceStr, 2, 0), false); // no receiver: no update
        QCOMPARE(link.curDevIndex, 0);
    }

    void connectCurrentDeviceAddressesTheReceiver()
    {
        plug("receiver8k");
        rediscover();
        QCOMPARE(view->connectCurrentDevice(deviceStr, 0, 2), false);
        QCOMPARE(link.curDevIndex, 1);
        plug("receiver1k");
        rediscover();
        QCOMPARE(view->connectCurrentDevice(deviceStr, 0, 3), false);
        QCOMPARE(link.curDevIndex, 2);
        QCOMPARE(view->connectCurrentDevice(deviceStr, 0, 0), false);
        QCOMPARE(link.curDevIndex, 255);
    }

    void sameEntryAgainKeepsTheListener()
    {
        plug("mouse");
        rediscover();
        view->connectCurrentDevice(deviceStr, 2, 0);
        const QFuture<void> first = link.listenFuture;
        view->connectCurrentDevice(deviceStr, 2, 0);
        QVERIFY(link.listenFuture == first);
        QVERIFY(link.isListening);
        view->connectCurrentDevice(deviceStr, 0, 0);
        view->connectCurrentDevice(deviceStr, 2, 0);
        QVERIFY(!(link.listenFuture == first)); // a different entry in between: started anew
    }

    void unknownDeviceStringChangesNothing()
    {
        plug("mouse");
        rediscover();
        link.curDevIndex = 1;
        QCOMPARE(view->connectCurrentDevice(QStringLiteral("Other Mouse"), 2, 1), false);
        QCOMPARE(view->connectCurrentDevice(QString(), 0, 0), false); // the catalog's empty string
        QCOMPARE(view->startPairOnLine(QStringLiteral("Other Mouse"), 2), false);
        QCOMPARE(view->startPair(true, QStringLiteral("Other Mouse"), 2), false);
        QCOMPARE(link.curDevIndex, 1);
        QVERIFY(sentFrames().empty());
    }

    // --- pairing --------------------------------------------------------------------------

    void pairingBlockIsCopiedFromMouseToReceiver()
    {
        plug("mouse");
        plug("receiver8k");
        rediscover();
        view->connectCurrentDevice(deviceStr, 2, 2);
        sim::inproc::trace().clear();
        QVERIFY(view->startPairOnLine(deviceStr, 2));
        QCOMPARE(link.curDevIndex, 0);

        const auto trace = sim::inproc::trace().snapshot();
        std::vector<uint8_t> answer, written;
        for (const sim::TraceEntry& e : trace) {
            if (e.op == "read" && e.result > 0 && answer.empty() && !e.bytes.empty() &&
                e.bytes[0] == 0x8E)
                answer = e.bytes;
            if (e.op == "write")
                written = e.bytes;
        }
        QCOMPARE(answer.size(), size_t(64));
        QCOMPARE(written.size(), size_t(65));
        std::vector<uint8_t> expected{0x00};
        expected.insert(expected.end(), answer.begin() + 1, answer.end());
        expected.push_back(0x00);
        QCOMPARE(written, expected);
        const auto frames = sentFrames();
        QCOMPARE(frames.size(), size_t(2));
        QCOMPARE(frames[0], frame({0x00, 0x8E}));
        QCOMPARE(frames[1], frame({0x00, 0x0E}));
        std::vector<uint8_t> stored(expected.begin() + 1, expected.end());
        QCOMPARE(*sim::inproc::bus().memory("receiver8k", "pairing"), stored);
    }

    void failedPairingWriteStillAddressesTheMouse()
    {
        plug("mouse");
        plug("receiver8k");
        rediscover();
        view->connectCurrentDevice(deviceStr, 2, 2);
        std::string error;
        QVERIFY(sim::inproc::bus().fault("receiver8k", {"write"}, error));
        QCOMPARE(view->startPairOnLine(deviceStr, 2), false);
        QCOMPARE(link.curDevIndex, 0);
    }

    void pairingModeOnTheReceiver()
    {
        plug("receiver8k");
        rediscover();
        view->suspendDeviceCheck = false;
        sim::inproc::trace().clear();
        QVERIFY(view->startPair(true, deviceStr, 2));
        QVERIFY(view->suspendDeviceCheck);
        QCOMPARE(link.curDevIndex, 1);
        QSignalSpy finished(view, &myQQuickView::pairFinished);
        for (int i = 0; i < 10 && finished.isEmpty(); ++i)
            view->runPair();
        QCOMPARE(finished.count(), 1);
        QVERIFY(view->startPair(false, deviceStr, 2));
        const auto frames = sentFrames();
        QCOMPARE(frames.front(), frame({0x00, 0x1E, 0x00, 0x00, 0x01}));
        QCOMPARE(frames[1], frame({0x00, 0x9E}));
        QCOMPARE(frames.back(), frame({0x00, 0x1E, 0x00, 0x00, 0x0F}));
    }
};

QTEST_MAIN(TestMyQQuickView)
#include "test_myqquickview.moc"
