#include "updater/mainwindow.h"

#include "platform/devicenotifier.h"
#include "ui_mainwindow.h"
#include "updater/engine/EsSdk2862.h"
#include "updater/statustexts.h"

#include <QCoreApplication>
#include <QDebug>
#include <cstdio>

#ifdef Q_OS_WIN
#include "platform/win/core/hidnotification.h"
#endif

namespace
{

constexpr int kDeviceSettleMs = 200;
constexpr int kPollMs = 250;
// No device of the job at all within this time: nothing to update.
constexpr int kFindDeviceMs = 10000;
// The engine reports at least once per image chunk; this much silence means it has stopped.
constexpr int kEngineSilenceMs = 10000;

} // namespace

MainWindow::MainWindow(const QString& configFolder, QWidget* parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    setWindowFlags(Qt::WindowMinimizeButtonHint);
    ui->progressBar->setValue(0);
    ui->lineEdit->setReadOnly(true);
    ui->lineEdit_2->setReadOnly(true);
    ui->lineEdit_3->setReadOnly(true);
    ui->lineEdit_4->setReadOnly(true);

    const updjob::Validation checked = updjob::validateJob(configFolder);
    job = checked.job;
    hid.deviceList = buildDeviceList(job.normalMode);
    setWindowTitle(job.title);
    if (!checked.ok) {
        qDebug().noquote() << checked.detail;
        failStep(checked.status);
        return;
    }
    if (job.hasFirstImage())
        imageMask += FirstImage;
    if (job.hasSecondImage)
        imageMask += SecondImage;
    if (imageMask == 3) {
        progressBase = 20;
        progressSpan = 80;
    } else if (imageMask == 2) {
        progressBase = 0;
        progressSpan = 100;
    }

    deviceTimer.setInterval(kDeviceSettleMs);
    deviceTimer.setSingleShot(true);
    connect(&deviceTimer, &QTimer::timeout, this, &MainWindow::checkDevice);
    pollTimer.setInterval(kPollMs);
    connect(&pollTimer, &QTimer::timeout, this, &MainWindow::checkDevice);
    deadline.setSingleShot(true);
    connect(&deadline, &QTimer::timeout, this, &MainWindow::onDeadline);
    engineWatchdog.setInterval(kEngineSilenceMs);
    engineWatchdog.setSingleShot(true);
    connect(&engineWatchdog, &QTimer::timeout, this, [this] {
        qDebug() << "the engine stopped reporting";
        failStep(status::kEngineFailed);
    });

    connect(this, &MainWindow::EnterBootLoaderSuccess, this, &MainWindow::onEnterBootLoaderSuccess);
    connect(this, &MainWindow::SetAddrSuccess, this, &MainWindow::onSetAddrSuccess);
    connect(this, &MainWindow::SetApDataSuccess, this, &MainWindow::onSetApDataSuccess);
    connect(this, &MainWindow::CheckCrcSuccess, this, &MainWindow::onCheckCrcSuccess);
    connect(this, &MainWindow::EngineUpdateFinished, this, &MainWindow::onEngineUpdateFinished);
    connect(this, &MainWindow::CH32UpdateSuccess, this, &MainWindow::onCH32UpdateSuccess);

#ifdef Q_OS_WIN
    wincore::registerHidInterfaceNotification(reinterpret_cast<HWND>(winId()));
#else
    auto* notifier = new DeviceNotifier(this);
    connect(notifier, &DeviceNotifier::devicesChanged, this, &MainWindow::chkDevTimerDelay);
#endif
    deadline.start(kFindDeviceMs);
    pollTimer.start();
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
    const MSG* msg = static_cast<const MSG*>(message);
    switch (wincore::decodeUpdaterMessage(msg->message, msg->wParam)) {
    case wincore::UpdaterWindowEvent::DeviceChange:
        chkDevTimerDelay();
        break;
    case wincore::UpdaterWindowEvent::Restore:
        setVisible(true);
        break;
    case wincore::UpdaterWindowEvent::Other:
        break;
    }
    return QMainWindow::nativeEvent(eventType, message, result);
}
#endif

void MainWindow::chkDevTimerDelay()
{
    deviceTimer.start();
}

void MainWindow::errorUpdateEvent(int errorCode)
{
    if (errorCode != 0 && errorCode != 1)
        return;
    ui->pushButton->hide();
    failStep(status::kDeviceLost);
}

void MainWindow::on_pushButton_2_clicked()
{
    // Leaving in the middle of a write could leave the device without firmware.
    if (step == Step::WriteFirstImage || step == Step::WriteSecondImage) {
        qDebug() << "exit refused while writing";
        return;
    }
    // Nothing was completed: the caller must not take this for a successful update.
    failStep(status::kDeviceLost);
}

void MainWindow::reportProgress(int value)
{
    if (value >= 0 && value <= 100) {
        // Progress never goes back, and stops short of 100 until the result is certain.
        const int ceiling = confirmed ? 100 : 99;
        ui->progressBar->setValue(qBound(ui->progressBar->value(), value, ceiling));
    }
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
    if (!ended())
        finishRun(text, 1);
}

void MainWindow::succeed()
{
    pendingMask = 0;
    confirmed = true;
    if (ui->progressBar->value() != 100)
        reportProgress(100);
    finishRun(status::kSuccess, 0);
}

void MainWindow::finishRun(const char* text, int code)
{
    step = Step::Ended;
    pollTimer.stop();
    deadline.stop();
    engineWatchdog.stop();
    setStatus(text);
    releaseEngine();
    endProcess(code);
}
