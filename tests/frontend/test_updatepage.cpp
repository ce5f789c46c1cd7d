// The update page in the real scene with the real bridge and main window, driven by clicks,
// against the in-process virtual mouse and 8K receiver and a stand-in updater: when an update is
// offered, a silent updater, leaving while the updater runs, and pairing with a mouse that does
// not answer.

// The virtual bus names a member "slots": it must come before any Qt header.
#include "sim/inproc.h"

#include "app/ui_controler.h"
#include "app/widget.h"
#include "frontend/datafolder.h"
#include "frontend/myqquickview.h"
#include "frontend/updaterrun.h"
#include "tests/frontend/nextmessagebox.h"
#include "tests/frontend/scenetesting.h"
#include "tests/updater/firmwarefolder.h"

#include <QMenu>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const QString kDeviceFolder = QStringLiteral("/modules/P-NORVIK GAMING Quillex/");
const QString kNoUpdate =
    QStringLiteral("Firmware update - no firmware update is available for this device");
const QString kUpdateOffered = QStringLiteral("Firmware update - a new firmware is available");

testfw::Folder firmwareFor(quint16 pid)
{
    testfw::Folder folder;
    folder.devImage = testfw::devImageText(0x093A, pid, 0xFF10, 0x0001);
    folder.b0Name = QStringLiteral("firmware.bin");
    folder.b0File = testfw::firstImageFile(testfw::plainImage(3000, 0x0104));
    return folder;
}

bool processGone(qint64 pid)
{
    return ::kill(pid_t(pid), 0) != 0 && errno == ESRCH;
}
} // namespace

class TestUpdatePage : public QObject
{
    Q_OBJECT

    QTemporaryDir root; // the application folder (working directory)
    std::unique_ptr<Widget> widget;
    int holdFd = -1;

    myQQuickView* view() const { return widget->uiCtl->quickView(); }
    QString path(const QString& relative) const { return root.path() + relative; }

    QQuickItem* item(const QString& name) const
    {
        return scenetesting::findVisible(view()->rootObject(), name);
    }
    void click(const QString& name) { scenetesting::click(view(), name); }
    QString text(const QString& name) const
    {
        QQuickItem* it = item(name);
        return it ? it->property("text").toString() : QString();
    }

    void writeFirmware(const QString& name, quint16 pid)
    {
        QVERIFY(
            testfw::writeFolder(path(kDeviceFolder + "updater/" + name + "/"), firmwareFor(pid)));
    }

    // The main window on the virtual mouse (an older release) and 8K receiver, on the update page.
    void openUpdatePage()
    {
        std::string error;
        QVERIFY(sim::inproc::bus().plug("mouse", "mouse", error));
        QVERIFY(sim::inproc::bus().plug("receiver8k", "receiver8k", error));
        QVERIFY(sim::inproc::bus().setRelease("mouse", 0x0103));
        widget = scenetesting::startMainWindow();
        QTRY_VERIFY(item("card0"));
        click("card0");
        QTRY_VERIFY(item("nav4"));
        click("nav4");
        QTRY_COMPARE(view()->rootObject()->property("currentPage").toInt(), 4);
    }

    // Stand-in updaters stay until release() (the hold FIFO gets a writer).
    void holdUpdaters()
    {
        const QByteArray fifo = QFile::encodeName(path("/hold"));
        QVERIFY(mkfifo(fifo.constData(), 0600) == 0);
        qputenv("QUILLEX_STANDIN_HOLD", fifo);
    }
    void release()
    {
        // Read-write never blocks on a FIFO; kept open, it lets every later stand-in through.
        holdFd = ::open(QFile::encodeName(path("/hold")).constData(), O_RDWR);
    }
    qint64 standInPid() const
    {
        QFile f(path("/pid"));
        return f.open(QIODevice::ReadOnly) ? f.readAll().toLongLong() : 0;
    }
    QStringList endedRuns() const
    {
        QFile f(path("/ended"));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root.isValid());
        qputenv("XDG_DATA_HOME", QFile::encodeName(path("/data")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("/config")));
        copyDirectory(QStringLiteral(SHIPPED_MODULES_DIR), path("/modules"));
        {
            // English, and the close button leaves instead of hiding to the tray.
            QSettings settings(path("/modules/apConfig.ini"), QSettings::IniFormat);
            settings.setValue(QStringLiteral("Setting/data"), QVariantList{0, 0, 0, 2});
        }
        QDir().mkpath(path("/updateEx"));
        QVERIFY(QFile::copy(QStringLiteral(STANDIN_UPDATER), path("/updateEx/update")));
        QVERIFY(QDir::setCurrent(root.path()));
        QQuickWindow::setSceneGraphBackend(QSGRendererInterface::Software);
    }
    void init()
    {
        sim::inproc::reset();
        QDir(path(kDeviceFolder + "updater")).removeRecursively();
        writeFirmware("D8", 0xC793);
        writeFirmware("M8", 0xC791);
        QFile::setPermissions(path("/updateEx/update"),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        for (const char* file : {"/hold", "/pid", "/ended"})
            QFile::remove(path(file));
        qputenv("QUILLEX_STANDIN_PID", QFile::encodeName(path("/pid")));
        qputenv("QUILLEX_STANDIN_LOG", QFile::encodeName(path("/ended")));
        qputenv("QUILLEX_STANDIN_OUTPUT", QByteArray());
        qunsetenv("QUILLEX_STANDIN_HOLD");
    }
    void cleanup()
    {
        // A stand-in still held would keep its run going past the test, and the result box of
        // a run a failed test left behind would wait for an answer forever.
        QTimer boxCloser;
        connect(&boxCloser, &QTimer::timeout, [] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                box->done(0);
        });
        boxCloser.start(5);
        if (holdFd < 0)
            release();
        if (widget)
            QTRY_VERIFY(!view()->updater->isRunning());
        widget.reset();
        if (holdFd >= 0)
            ::close(holdFd);
        holdFd = -1;
    }

    void updateIsOfferedOnlyWithCompleteFirmware_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<QString>("heading");
        QTest::newRow("complete") << QString() << kUpdateOffered;
        QTest::newRow("no firmware folders") << QStringLiteral("updater") << kNoUpdate;
        QTest::newRow("no mouse folder") << QStringLiteral("updater/M8") << kNoUpdate;
        QTest::newRow("receiver image missing")
            << QStringLiteral("updater/D8/b0/firmware.bin") << kNoUpdate;
        QTest::newRow("updater not runnable") << QStringLiteral("updateEx") << kNoUpdate;
    }
    void updateIsOfferedOnlyWithCompleteFirmware()
    {
        QFETCH(QString, removed);
        QFETCH(QString, heading);
        if (removed == "updateEx") {
            QFile::setPermissions(path("/updateEx/update"), QFile::ReadOwner | QFile::WriteOwner);
        } else if (!removed.isEmpty()) {
            const QString target = path(kDeviceFolder + removed);
            QVERIFY(QFileInfo(target).isDir() ? QDir(target).removeRecursively()
                                              : QFile::remove(target));
        }
        openUpdatePage();
        if (QTest::currentTestFailed())
            return;
        QCOMPARE(text("updateHeading"), heading);
        QCOMPARE(item("updateButton") != nullptr, heading == kUpdateOffered);
    }

    void silentUpdaterFailsTheRunOnceAndIsStopped()
    {
        openUpdatePage();
        if (QTest::currentTestFailed())
            return;
        holdUpdaters();
        view()->updater->setSilenceLimit(300);
        QSignalSpy finished(view(), &myQQuickView::updateFinished);
        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        click("updateButton");
        QTRY_VERIFY(seen.shown);
        QCOMPARE(
            seen.text,
            QStringLiteral("The firmware update failed. Reconnect the devices and try again."));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().first().toBool(), false);
        const qint64 pid = standInPid();
        QVERIFY(pid > 0);
        QVERIFY(processGone(pid));
        QVERIFY(endedRuns().isEmpty()); // stopped, not ended by itself
        QVERIFY(!view()->updater->isRunning());
        QVERIFY(item("updateButton")->isEnabled()); // the page is ready for another try
    }

    void exitWaitsForTheUpdater_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("tray menu") << "tray";
        QTest::newRow("scene close button") << "button";
        QTest::newRow("window manager close") << "window";
        QTest::newRow("SIGTERM") << "signal";
    }
    void exitWaitsForTheUpdater()
    {
        QFETCH(QString, how);
        openUpdatePage();
        if (QTest::currentTestFailed())
            return;
        holdUpdaters();
        qputenv("QUILLEX_STANDIN_OUTPUT", QByteArray("10\n").toHex());
        QSignalSpy progress(view(), &myQQuickView::updateProgram);
        click("updateButton");
        QTRY_COMPARE(progress.count(), 1); // the receiver's run is under way
        if (how != "button") {
            click("nav1"); // elsewhere in the app, or in the tray
            if (how != "window")
                widget->hide();
        }

        struct {
            bool waited = false, shown = false, closingNote = false, updaterAlive = false;
            int page = -1;
        } during;
        QTimer::singleShot(0, this, [&] {
            if (how == "tray")
                widget->trayIcon->contextMenu()->actions().first()->trigger();
            else if (how == "button")
                click("closeButton");
            else if (how == "window")
                widget->close();
            else
                ::kill(getpid(), SIGTERM);
        });
        // Once the exit waits, look at the window, then let the updater end by itself.
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!widget->exitAfterUpdate)
                return;
            watch.stop();
            during.waited = true;
            during.shown = widget->isVisible() && !widget->isMinimized();
            during.page = view()->rootObject()->property("currentPage").toInt();
            during.closingNote = item("closingNote") != nullptr;
            during.updaterAlive = standInPid() > 0 && !processGone(standInPid());
            release();
        });
        watch.start();
        QTimer safetyNet;
        safetyNet.setSingleShot(true);
        connect(&safetyNet, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        safetyNet.start(30000);
        QCOMPARE(QCoreApplication::exec(), 0);

        QVERIFY(during.waited);
        QVERIFY(during.shown);
        QCOMPARE(during.page, 4);
        QVERIFY(during.closingNote);
        QVERIFY(during.updaterAlive);
        // Both runs ended by themselves: the receiver's, then the mouse's the page went on to.
        QCOMPARE(endedRuns(), QStringList({"../modules/P-NORVIK GAMING Quillex/updater/D8/",
                                           "../modules/P-NORVIK GAMING Quillex/updater/M8/"}));
        QVERIFY(!view()->updater->isRunning());
    }

    void pairingWithASilentMouseLeavesTheReceiverAlone()
    {
        openUpdatePage();
        if (QTest::currentTestFailed())
            return;
        const std::vector<uint8_t> pairing = *sim::inproc::bus().memory("receiver8k", "pairing");
        const int index = widget->hidThread.curDevIndex;
        QCOMPARE(sim::inproc::control({"fault", "mouse", "no-answer", "instant"}).status, 0);
        sim::inproc::trace().clear();
        BoxSeen seen;
        handleNextBox(&seen, [](QMessageBox* box) { pressKey(box, Qt::Key_Return); });
        click("pairButton");
        QTRY_VERIFY(seen.shown);
        QCOMPARE(seen.text,
                 QStringLiteral("Pairing failed. Check both connections and try again."));
        QCOMPARE(*sim::inproc::bus().memory("receiver8k", "pairing"), pairing);
        for (const sim::TraceEntry& e : sim::inproc::trace().snapshot())
            QVERIFY2(e.path.find("receiver8k") == std::string::npos, e.path.c_str());
        QCOMPARE(widget->hidThread.curDevIndex, index);
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    TestUpdatePage test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_updatepage.moc"
