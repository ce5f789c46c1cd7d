#pragma once

#include "app/batteryalerts.h"
#include "device/hid_thread.h"

#include <QAbstractNativeEventFilter>
#include <QQmlProperty>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>
#include <QWindow>

class Ui_Controler;
class DesktopNotifier;
class DeviceNotifier;
class ResumeNotifier;

// The frameless, translucent main window that hosts the scene, owns the device link and the tray.
class Widget : public QWidget, public QAbstractNativeEventFilter
{
    Q_OBJECT
public:
    explicit Widget(QWidget* parent = nullptr);
    ~Widget() override;

    bool nativeEventFilter(const QByteArray& eventType, void* message, long* result) override;

    // An exit was asked for while the updater runs: it happens once no updater is left.
    bool exitAfterUpdate = false;

    QTimer checkDeviceTimer;
    Ui_Controler* uiCtl = nullptr;
    Hid_Thread hidThread;
    QSystemTrayIcon* trayIcon = nullptr;
    QWindow rawInputWindow;

public slots:
    void checkDevice();
    // Keeps a listener on the mouse (or its receiver) while no page shows a device: the mouse
    // reports its battery either way, and the tray and the warnings must hear of it.
    void listenForBattery();
    // The first scan: after the first frame when the window shows, at once when it starts hidden.
    void checkDeviceOnceShown();
    void exitSYS();
    void receiveMessage(uint instanceId, QByteArray message);
    void checkScreen();
    // The start-with-the-OS start: the window waits in the tray, or shows when no tray has come
    // within a short grace.
    void startInTray();
    void trayIconActivated(QSystemTrayIcon::ActivationReason reason);
    // A battery level the mouse reported, as its firmware sends it (percent, above 100 for full):
    // the tray's tool tip shows it, and a low one is warned of.
    void showBatteryLevel(int deviceLevel);

protected:
    void closeEvent(QCloseEvent* event) override;

private slots:
    // Reads the tray's texts in the scene's current language.
    void followLanguage();

private:
    void bringToFront();
    void firstScan();
    bool firstScanDone = false;
    // Keeps the window and the update's progress in view until the updater has ended, then
    // leaves.
    void waitForUpdaterThenExit();
    // Restarts the debounce timer unless an update or a pairing has suspended device checks.
    void onDeviceChange();
    void showTrayToolTip();
    void warnOfBattery(BatteryAlerts::Alert alert);

    QQmlProperty sceneLanguage;
    // The [Tray] section of the language file.
    QStringList trayTexts;
    BatteryAlerts batteryAlerts;
    int batteryPercent = -1; // none known yet
    DesktopNotifier* desktopNotifier = nullptr;
};
