// The main window's reactions: debounced device checks from device and resume notifications,
// the tray icon's clicks and its one-entry menu that ends the program.

#include "app/ui_controler.h"
#include "app/widget.h"
#include "frontend/myqquickview.h"
#include "platform/devicenotifier.h"
#include "platform/resumenotifier.h"

#include <QMenu>
#include <QtTest>

#include <memory>

static QStringList debugLines;
static QtMessageHandler testHandler = nullptr;

static void keepDebugLines(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type == QtDebugMsg)
        debugLines << text;
    testHandler(type, context, text);
}

class TestWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void burstOfDeviceChangesGivesOneCheckAfterTheLast();
    void deviceChangesWhileSuspendedGiveNoCheck();
    void resumeGivesOneCheck();
    void trayClickBringsTheWindowBack();
    void firstScanFollowsTheFirstFrameOrAHiddenStart();
    void trayMenuExitEndsTheLoopWithZero();
    void cleanupTestCase();

private:
    void waitUntilQuiet();

    std::unique_ptr<Widget> widget;
    std::unique_ptr<QSignalSpy> checks;
    DeviceNotifier* devices = nullptr;
    ResumeNotifier* resume = nullptr;
};

void TestWidget::initTestCase()
{
    testHandler = qInstallMessageHandler(keepDebugLines);
    widget = std::make_unique<Widget>();
    devices = widget->findChild<DeviceNotifier*>();
    resume = widget->findChild<ResumeNotifier*>();
    QVERIFY(devices && resume);
    QCOMPARE(widget->checkDeviceTimer.interval(), 200);
    QVERIFY(widget->checkDeviceTimer.isSingleShot());
}

void TestWidget::init()
{
    widget->checkDeviceTimer.stop();
    widget->uiCtl->quickView()->suspendDeviceCheck = false;
    debugLines.clear();
    checks = std::make_unique<QSignalSpy>(&widget->checkDeviceTimer, &QTimer::timeout);
}

// Once the single-shot timer is idle no further check can come.
void TestWidget::waitUntilQuiet()
{
    QTRY_VERIFY(!widget->checkDeviceTimer.isActive());
}

void TestWidget::burstOfDeviceChangesGivesOneCheckAfterTheLast()
{
    QElapsedTimer clock;
    clock.start();
    qint64 lastNotice = 0;
    qint64 checkedAt = -1;
    connect(&widget->checkDeviceTimer, &QTimer::timeout, this,
            [&] { checkedAt = clock.elapsed(); });
    // Ten notifications 10 ms apart; the event loop is held meanwhile, so a busy machine cannot
    // stretch the gaps into separate checks, and a timer that were not restarted would fire
    // 200 ms after the first instead of the last.
    for (int i = 0; i < 10; ++i) {
        if (i > 0)
            QThread::msleep(10);
        emit devices->devicesChanged();
        lastNotice = clock.elapsed();
    }
    QTRY_COMPARE(checks->count(), 1);
    waitUntilQuiet();
    QCOMPARE(checks->count(), 1);
    const qint64 delay = checkedAt - lastNotice;
    QVERIFY2(delay >= 190 && delay < 1000, QByteArray::number(delay));
    // The check itself ran: with nothing plugged in it reports that.
    QCOMPARE(debugLines.count(QStringLiteral("Device DisConnect")), 1);
    disconnect(&widget->checkDeviceTimer, &QTimer::timeout, this, nullptr);
}

void TestWidget::deviceChangesWhileSuspendedGiveNoCheck()
{
    widget->uiCtl->quickView()->suspendDeviceCheck = true; // an update or a pairing runs
    for (int i = 0; i < 3; ++i)
        emit devices->devicesChanged();
    QVERIFY(!widget->checkDeviceTimer.isActive());
    QCoreApplication::processEvents();
    QCOMPARE(checks->count(), 0);
}

void TestWidget::resumeGivesOneCheck()
{
    emit resume->resumed();
    QTRY_COMPARE(checks->count(), 1);
    waitUntilQuiet();
    QCOMPARE(checks->count(), 1);
}

void TestWidget::trayClickBringsTheWindowBack()
{
    QVERIFY(!widget->isVisible());
    widget->trayIconActivated(QSystemTrayIcon::DoubleClick);
    widget->trayIconActivated(QSystemTrayIcon::Context);
    QVERIFY(!widget->isVisible());
    widget->trayIconActivated(QSystemTrayIcon::Trigger);
    QVERIFY(widget->isVisible());

    // Minimised, it comes back too: a click on the icon means the user wants to see it.
    widget->showMinimized();
    widget->trayIconActivated(QSystemTrayIcon::Trigger);
    QVERIFY(!widget->isMinimized());
    widget->hide();
}

// The first scan waits for the first painted frame; a window kept hidden paints none and is
// scanned at once.
void TestWidget::firstScanFollowsTheFirstFrameOrAHiddenStart()
{
    const QString scanned = QStringLiteral("Device DisConnect"); // nothing is plugged here
    widget->show();
    widget->checkDeviceOnceShown();
    QVERIFY(!debugLines.contains(scanned));
    QTRY_VERIFY(debugLines.contains(scanned));
    widget->hide();

    debugLines.clear();
    Widget hidden;
    hidden.checkDeviceOnceShown();
    QVERIFY(debugLines.contains(scanned));
}

void TestWidget::trayMenuExitEndsTheLoopWithZero()
{
    QMenu* menu = widget->trayIcon->contextMenu();
    QVERIFY(menu);
    QCOMPARE(menu->actions().size(), 1);
    QAction* exit = menu->actions().first();
    QCOMPARE(exit->text(), QStringLiteral("Exit"));
    QTimer::singleShot(0, exit, &QAction::trigger);
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); }); // a safety net only
    QCOMPARE(QCoreApplication::exec(), 0);
}

void TestWidget::cleanupTestCase()
{
    widget.reset();
    qInstallMessageHandler(testHandler);
}

int main(int argc, char** argv)
{
    qputenv("QT_QUICK_BACKEND", "software"); // the offscreen platform has no OpenGL
    QApplication app(argc, argv);
    TestWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_widget.moc"
