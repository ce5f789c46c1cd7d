#include "updater/mainwindow.h"

#include "platform/devicenotifier.h"
#include "ui_mainwindow.h"
#include "updater/engine/EsSdk2862.h"
#include "updater/statustexts.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QSettings>
#include <QTextCodec>
#include <cstdio>
#include <hidapi.h>

#ifdef Q_OS_WIN
#include "updater/win/hidnotification.h"
#endif

namespace
{

constexpr int kDeviceSettleMs = 200;
// A device re-enumerates within a few seconds after a mode change; one that takes longer is lost.
constexpr int kDeviceReturnMs = 5000;

} // namespace

MainWindow::MainWindow(const QString& configFolder, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);

    QSettings settings(configFolder + "cfg.dat", QSettings::IniFormat);
    settings.setIniCodec(QTextCodec::codecForName("UTF-8"));
    const DeviceId normalMode = deviceIdFromImage(settings.value("ApConfig/devImage").toString());
    hid.deviceList = buildDeviceList(normalMode);

    b0Path = configFolder + "b0/" + settings.value("ApConfig/b0_Dat").toString();
    b1Path = configFolder + "b1/" + settings.value("ApConfig/b1_Dat").toString();
    if (QFile::exists(b0Path)) {
        imageMask += FirstImage;
        if (settings.value("ApConfig/b0_Dat").toString().startsWith("C"))
            b0IsCh32 = true;
        else
            b0IsBootLoader = true;
    }
    if (QFile::exists(b1Path))
        imageMask += SecondImage;

    setWindowTitle(settings.value("ApConfig/title").toString());
    setWindowFlags(Qt::WindowMinimizeButtonHint);
    ui->progressBar->setValue(0);
    ui->lineEdit->setReadOnly(true);
    ui->lineEdit_2->setReadOnly(true);
    ui->lineEdit_3->setReadOnly(true);
    ui->lineEdit_4->setReadOnly(true);

    deviceTimer.setInterval(kDeviceSettleMs);
    deviceTimer.setSingleShot(true);
    connect(&deviceTimer, &QTimer::timeout, this, &MainWindow::checkDevice);
    returnTimer.setInterval(kDeviceReturnMs);
    returnTimer.setSingleShot(true);
    connect(&returnTimer, &QTimer::timeout, this, &MainWindow::deviceNeverReturned);

    if (imageMask == 3) {
        progressBase = 20;
        progressSpan = 80;
    } else if (imageMask == 2) {
        progressBase = 0;
        progressSpan = 100;
    }

    connect(this, &MainWindow::EnterBootLoaderSuccess, this, &MainWindow::onEnterBootLoaderSuccess);
    connect(this, &MainWindow::SetAddrSuccess, this, &MainWindow::onSetAddrSuccess);
    connect(this, &MainWindow::SetApDataSuccess, this, &MainWindow::onSetApDataSuccess);
    connect(this, &MainWindow::CheckCrcSuccess, this, &MainWindow::onCheckCrcSuccess);
    connect(this, &MainWindow::EngineUpdateFinished, this, &MainWindow::onEngineUpdateFinished);
    connect(this, &MainWindow::CH32UpdateSuccess, this, &MainWindow::onCH32UpdateSuccess);

#ifdef Q_OS_WIN
    registerHidNotification(winId());
#else
    auto* notifier = new DeviceNotifier(this);
    connect(notifier, &DeviceNotifier::devicesChanged, this, &MainWindow::chkDevTimerDelay);
#endif
}

MainWindow::~MainWindow()
{
    // An engine still writing would call back into a window that is gone.
    releaseEngine();
    delete ui;
}

#ifdef Q_OS_WIN
bool MainWindow::nativeEvent(const QByteArray& eventType, void* message, long* result)
{
    switch (hidWindowMessage(message)) {
    case HidWindowMessage::DeviceChange:
        chkDevTimerDelay();
        break;
    case HidWindowMessage::Restore:
        setVisible(true);
        break;
    case HidWindowMessage::Other:
        break;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif

void MainWindow::enumerateDevices()
{
    for (DeviceId& entry : hid.deviceList) {
        entry.path.clear();
        hid_device_info* list = hid_enumerate(entry.vid, entry.pid);
        for (hid_device_info* it = list; it; it = it->next)
            if (it->usage_page == entry.usagePage && it->usage == entry.usage)
                entry.path = QString::fromLocal8Bit(it->path);
        hid_free_enumeration(list);
    }
}

void MainWindow::checkDevice()
{
    enumerateDevices();
    int found = -1;
    for (int i = 0; i < hid.deviceList.size() && found < 0; ++i)
        if (!hid.deviceList[i].path.isEmpty())
            found = i;

    if (found >= 0) {
        hid.devIndex = found;
        if (pendingMask == 0) {
            CallEsLib(true);
            ui->pushButton->setEnabled(true);
            on_pushButton_clicked();
        } else if (!bootLoaderBusy && !ch32Busy && !engineBusy) {
            qDebug() << pendingMask;
            returnTimer.stop();
            if (pendingMask & FirstImage) {
                if (b0IsCh32)
                    onCh32RunIap();
                else if (b0IsBootLoader)
                    emit EnterBootLoaderSuccess();
            } else if (pendingMask & SecondImage) {
                CallEsLib(false);
            }
        }
        return;
    }

    if (bootLoaderBusy || ch32Busy)
        errorUpdateEvent(1);
    if (engineBusy && imageMask > 2)
        errorUpdateEvent(0);
    ui->pushButton->setEnabled(false);
}

void MainWindow::chkDevTimerDelay()
{
    deviceTimer.start();
}

void MainWindow::errorUpdateEvent(int errorCode)
{
    if (errorCode != 0 && errorCode != 1)
        return;
    ui->pushButton->hide();
    setStatus(status::kDeviceLost);
    releaseEngine();
    endProcess(1);
}

void MainWindow::on_pushButton_clicked()
{
    pendingMask = imageMask;
    ui->pushButton->setEnabled(false);
    setStatus(status::kRunning);
    reportProgress(0);

    if (pendingMask & FirstImage) {
        switch (hid.devIndex) {
        case NormalMode:
            hid.enterBootLoader();
            returnTimer.start();
            break;
        case BootLoaderMode:
            onEnterBootLoaderSuccess();
            break;
        case Ch32IapMode:
            onCh32RunIap();
            break;
        }
    } else if (pendingMask & SecondImage) {
        CallEsLib(false);
    } else {
        // Nothing to write: waiting would never end, so say so and fail.
        qDebug() << "no firmware image in" << b0Path << "or" << b1Path;
        failStep(status::kDeviceLost);
    }
}

void MainWindow::on_pushButton_2_clicked()
{
    endProcess(0);
}

void MainWindow::reportProgress(int value)
{
    ui->progressBar->setValue(value);
    ui->progressBar->repaint();
    std::printf("%d\n", ui->progressBar->value());
    std::fflush(stdout);
}

void MainWindow::setStatus(const char* text)
{
    ui->label->setText(QString::fromUtf8(text));
    qDebug().noquote() << "status:" << QString::fromUtf8(text);
}

void MainWindow::endProcess(int code)
{
    endRequested = true;
    endCode = code;
    QCoreApplication::exit(code);
}

void MainWindow::failStep(const char* text)
{
    setStatus(text);
    releaseEngine();
    endProcess(1);
}

void MainWindow::finishFirstImage()
{
    reportProgress(progressBase);
    if (pendingMask == 0) {
        setStatus(status::kSuccess);
        releaseEngine();
        endProcess(0);
    } else {
        returnTimer.start();
    }
}

void MainWindow::deviceNeverReturned()
{
    if (bootLoaderBusy || ch32Busy || engineBusy)
        return;
    qDebug() << "device did not come back";
    failStep(status::kDeviceLost);
}
