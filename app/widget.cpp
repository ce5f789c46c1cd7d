#include "app/widget.h"

#include "app/inputcapture.h"
#include "app/ui_controler.h"
#include "device/discovery.h"
#include "frontend/myqquickview.h"
#include "frontend/updaterrun.h"
#include "platform/desktopnotifier.h"
#include "platform/devicenotifier.h"
#include "platform/resumenotifier.h"
#include "platform/terminationnotifier.h"
#include "platform/traywatch.h"
#include "platform/windowstartstate.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDebug>
#include <QFileIconProvider>
#include <QMenu>
#include <QQuickItem>

#ifdef Q_OS_WIN
#include "platform/win/core/windowmessages.h"

#include <windows.h>
#endif

static const char trayMenuStyle[] =
    "QMenu { border: 1px solid rgb(100, 100, 100); background: rgb(0, 0, 0); } "
    "QMenu::item { height: 24px; padding: 0px 50px 0px 40px; } "
    "QMenu::item:enabled { color: rgb(225, 225, 225); } "
    "QMenu::item:!enabled { color: rgb(155, 155, 155); } "
    "QMenu::item:enabled:selected { color: rgb(230, 230, 230); background: rgba(255, 255, 255, "
    "40); } "
    "QMenu::separator { height: 1px; background: rgb(100, 100, 100); } "
    "QMenu::indicator { width: 13px; height: 13px; } "
    "QMenu::icon { padding-left: 2px; padding-right: 2px; } ";

static QIcon programIcon()
{
#ifdef Q_OS_WIN
    return QFileIconProvider().icon(QFileInfo(QCoreApplication::applicationFilePath()));
#else
    // No icons are embedded in ELF files: the same picture ships as a resource.
    return QIcon(QStringLiteral(":/quillex.svg"));
#endif
}

// The device notification that carries the battery level in its second byte.
static const quint8 batteryEvent = 0x11;

// The texts of the language file's [Tray] section, by their index.
enum TrayText {
    ProgramName,
    BatteryToolTip,
    BatteryWarningTitle,
    BatteryLowText,
    BatteryCriticalText,
};

void forwardDeviceEvent(Widget* owner, quint8 byte0, quint8 byte1, quint8 byte2, quint8 byte3)
{
    if (!owner)
        return;
    // Called on the listener's pool thread; the tray belongs to the GUI thread.
    if (byte0 == batteryEvent)
        QMetaObject::invokeMethod(
            owner, [owner, byte1] { owner->showBatteryLevel(byte1); }, Qt::QueuedConnection);
    if (owner->uiCtl && owner->uiCtl->quickView())
        owner->uiCtl->quickView()->syncFwData(byte0, byte1, byte2, byte3);
}

Widget::Widget(QWidget* parent) : QWidget(parent, Qt::WindowFlags())
{
    hidThread.owner = this;

    uiCtl = new Ui_Controler;
    uiCtl->setupView(this);
    // Parented only now, so it follows the view among the children and is deleted after it: the
    // scene reads ui_Ctl until it is gone. The listener thread has ended by then with hidThread.
    uiCtl->setParent(this);
    uiCtl->quickView()->deviceLink = &hidThread;

    checkDeviceTimer.setInterval(200);
    checkDeviceTimer.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; the debounce promises the full 200 ms.
    checkDeviceTimer.setTimerType(Qt::PreciseTimer);
    connect(&checkDeviceTimer, &QTimer::timeout, this, &Widget::checkDevice);

    trayIcon = new QSystemTrayIcon(this);
    auto* exitAction = new QAction(tr("Exit"), this);
    connect(exitAction, &QAction::triggered, this, &Widget::exitSYS);
    auto* menu = new QMenu(this);
    menu->addAction(exitAction);
    menu->setStyleSheet(QString::fromLatin1(trayMenuStyle));
    trayIcon->setContextMenu(menu);
    // The scene loads its language from the settings; the tray follows whatever it shows.
    sceneLanguage = QQmlProperty(uiCtl->quickView()->rootObject(), QStringLiteral("currentLang"));
    sceneLanguage.connectNotifySignal(this, SLOT(followLanguage()));
    followLanguage();
    trayIcon->setIcon(programIcon());
    connect(trayIcon, &QSystemTrayIcon::activated, this, &Widget::trayIconActivated);
    trayIcon->setVisible(true);
    desktopNotifier = new DesktopNotifier(this);
    connect(uiCtl->quickView(), &myQQuickView::batteryLevelRead, this, &Widget::showBatteryLevel);
    auto* tray = new TrayWatch(this);
    uiCtl->setTrayAvailable(tray->available());
    connect(tray, &TrayWatch::availabilityChanged, uiCtl, &Ui_Controler::setTrayAvailable);

    installInputCapture(this);

    // Linux counterparts of WM_DEVICECHANGE and PBT_APMRESUMEAUTOMATIC.
    auto* devices = new DeviceNotifier(this);
    connect(devices, &DeviceNotifier::devicesChanged, this, [this] { onDeviceChange(); });
    auto* resume = new ResumeNotifier(this);
    connect(resume, &ResumeNotifier::resumed, &checkDeviceTimer, qOverload<>(&QTimer::start));
    auto* termination = new TerminationNotifier(this);
    connect(termination, &TerminationNotifier::terminationRequested, this, &Widget::exitSYS);
}

Widget::~Widget()
{
    // Without an exit through exitSYS capture would keep routing to a controller that is gone.
    if (hookOwner == this)
        removeInputCapture();
}

void Widget::onDeviceChange()
{
    if (!uiCtl->quickView()->suspendDeviceCheck)
        checkDeviceTimer.start();
}

void Widget::checkDevice()
{
    // A message box or an exchange may be running events inside a scene handler: rebuilding
    // the scene now would delete that handler's own objects.
    uiCtl->whenNoBoxOpen([this] {
        if (hidThread.insideExchange()) {
            checkDeviceTimer.start(); // again once the exchange is over
            return;
        }
        hidThread.publishDevices(discoverDevices());
        listenForBattery();
        // A level from a device that has gone would pass for the present one's.
        if (hidThread.onlineList.isEmpty() && batteryPercent >= 0) {
            batteryPercent = -1;
            showTrayToolTip();
        }
        uiCtl->quickView()->initUI();
    });
}

void Widget::listenForBattery()
{
    if (hidThread.hid_ListensTo(hidThread.curDevIndex))
        return;
    // The mouse goes first, as the window opens it first.
    int entry = -1;
    for (int i = 0; i < hidThread.devList.size(); ++i) {
        const DevInfo& d = hidThread.devList.at(i);
        if (d.commandPath.isEmpty())
            continue;
        const bool mouse = !isReceiverEntry(d);
        if (entry < 0 || mouse)
            entry = i;
        if (mouse)
            break;
    }
    if (entry >= 0 && !hidThread.hid_ListensTo(entry))
        hidThread.hid_StartListen(entry);
}

void Widget::checkDeviceOnceShown()
{
    // The start page paints first: the scan would only delay it, and the intro keeps the device
    // cards out of sight for its first second anyway. Queued, so the frame reaches the screen.
    // A window kept hidden or mapped minimised paints no frame: it is scanned as that shows.
    QWindow* handle = windowHandle();
    if (!isVisible() || isMinimized() || !handle) {
        firstScan();
        return;
    }
    connect(uiCtl->quickView(), &myQQuickView::firstFramePainted, this, &Widget::firstScan,
            Qt::QueuedConnection);
    connect(handle, &QWindow::visibilityChanged, this, [this](QWindow::Visibility visibility) {
        if (visibility == QWindow::Minimized || visibility == QWindow::Hidden)
            firstScan();
    });
}

void Widget::firstScan()
{
    if (firstScanDone)
        return;
    firstScanDone = true;
    checkDevice();
}

void Widget::exitSYS()
{
    // Stopping the updater halfway could leave the device without a working firmware.
    if (uiCtl->quickView()->updater->isRunning()) {
        waitForUpdaterThenExit();
        return;
    }
    removeInputCapture();
    hidThread.hid_StopListen();
    QCoreApplication::exit(0);
}

void Widget::waitForUpdaterThenExit()
{
    myQQuickView* view = uiCtl->quickView();
    showNormal();
    raise();
    activateWindow();
    view->showUpdateUntilDone();
    if (exitAfterUpdate)
        return;
    exitAfterUpdate = true;
    qDebug() << "exit waits for the updater";
    // Queued: when one run ends the scene may start the next one (receiver, then mouse) first.
    connect(view->updater, &UpdaterRun::ended, this, &Widget::exitSYS, Qt::QueuedConnection);
}

void Widget::closeEvent(QCloseEvent* event)
{
    // A window-manager close does what the scene's close button does; its exit is the orderly
    // one, which waits for a running updater.
    event->ignore();
    uiCtl->onCloseWindow();
}

void Widget::receiveMessage(uint instanceId, QByteArray message)
{
    qDebug() << "message from instance" << instanceId << "of" << message.size() << "bytes";
    // Any start of the program while it runs means the user wants to see it.
    bringToFront();
}

void Widget::bringToFront()
{
    // Minimised once and restored by the window manager, it would come out of the tray minimised.
    if (isHidden() && testAttribute(Qt::WA_WState_Created))
        clearMinimizedStartState(winId());
    showNormal();
    raise();
    activateWindow();
}

void Widget::startInTray()
{
    // At log-in the panel that holds the tray may start after this program; where none comes the
    // window must show, or it could never be reached.
    const int trayGraceMs = 3000;
    QTimer::singleShot(trayGraceMs, this, [this] {
        const bool tray = uiCtl->trayAvailable();
        qDebug() << (tray ? "started in the system tray" : "no system tray came: showing");
        if (!tray && isHidden())
            bringToFront();
    });
}

void Widget::checkScreen()
{
    uiCtl->initWindow(this);
}

void Widget::trayIconActivated(QSystemTrayIcon::ActivationReason reason)
{
    // Shown, raised and active whatever state it was left in, as a second start does.
    if (reason == QSystemTrayIcon::Trigger)
        bringToFront();
}

void Widget::followLanguage()
{
    trayTexts = uiCtl->getLangStrings(QStringLiteral("Tray"), sceneLanguage.read().toString());
    showTrayToolTip();
}

void Widget::showBatteryLevel(int deviceLevel)
{
    batteryPercent = BatteryAlerts::percentOf(deviceLevel);
    showTrayToolTip();
    const BatteryAlerts::Alert alert = batteryAlerts.levelRead(deviceLevel);
    if (alert != BatteryAlerts::Alert::None)
        warnOfBattery(alert);
}

void Widget::showTrayToolTip()
{
    trayIcon->setToolTip(batteryPercent < 0 ? trayTexts.value(ProgramName)
                                            : trayTexts.value(BatteryToolTip).arg(batteryPercent));
}

void Widget::warnOfBattery(BatteryAlerts::Alert alert)
{
    const bool critical = alert == BatteryAlerts::Alert::Critical;
    const QString title = trayTexts.value(BatteryWarningTitle);
    const QString text =
        trayTexts.value(critical ? BatteryCriticalText : BatteryLowText).arg(batteryPercent);
    qDebug() << "battery warning at" << batteryPercent << "%";
    // The desktop's own notifications where it has them; the tray's balloon elsewhere.
    if (!desktopNotifier->show(trayTexts.value(ProgramName), title, text))
        trayIcon->showMessage(title, text,
                              critical ? QSystemTrayIcon::Critical : QSystemTrayIcon::Warning);
}

bool Widget::nativeEventFilter(const QByteArray& eventType, void* message, long* result)
{
    Q_UNUSED(result)
#ifdef Q_OS_WIN
    if (eventType != "windows_generic_MSG")
        return false;
    const MSG* msg = static_cast<const MSG*>(message);
    switch (wincore::decodeWindowMessage(msg->message, msg->wParam)) {
    case wincore::WindowEvent::RawInput:
        forwardRawInput(reinterpret_cast<void*>(msg->lParam));
        break;
    case wincore::WindowEvent::Resumed:
        checkDeviceTimer.start();
        break;
    case wincore::WindowEvent::DeviceChange:
        onDeviceChange();
        break;
    case wincore::WindowEvent::None:
        break;
    }
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
#endif
    return false;
}
