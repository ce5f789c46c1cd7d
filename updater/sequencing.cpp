// Which device the update talks to and what comes next: the device is pinned once found, followed
// through each restart, and every wait for it is bounded.
#include "platform/deviceport.h"
#include "ui_mainwindow.h"
#include "updater/mainwindow.h"
#include "updater/statustexts.h"

#include <QDebug>

namespace
{

// A device re-enumerates within a few seconds after a mode change; one that takes longer is lost.
constexpr int kRestartMs = 15000;

int updaterModeFor(updjob::FirstImageKind kind)
{
    return kind == updjob::FirstImageKind::Ch32 ? Ch32IapMode : BootLoaderMode;
}

int otherUpdaterMode(int mode)
{
    return mode == BootLoaderMode ? Ch32IapMode : BootLoaderMode;
}

} // namespace

void MainWindow::checkDevice()
{
    if (ended())
        return;
    const devwatch::Scan scan = devwatch::scanDevices(hid.deviceList);
    switch (step) {
    case Step::FindDevice:
        startOnDevice(scan);
        break;
    case Step::EnterUpdaterMode:
    case Step::AwaitRestart:
        followRestart(scan);
        break;
    case Step::WriteFirstImage:
        if (!scan.value(targetEntry).contains(target))
            errorUpdateEvent(1);
        break;
    case Step::WriteSecondImage:
        // With the engine's image alone a vanishing device is the engine's to report.
        if (!scan.value(targetEntry).contains(target) && imageMask > SecondImage)
            errorUpdateEvent(0);
        break;
    case Step::Ended:
        break;
    }
}

void MainWindow::pin(int entry, const QString& path)
{
    // Only the pinned device gets transfers: devices plugged meanwhile are never addressed.
    for (DeviceId& id : hid.deviceList)
        id.path.clear();
    hid.deviceList[entry].path = path;
    hid.devIndex = entry;
    target = path;
    targetPort = usbPortOf(path);
    targetEntry = entry;
}

void MainWindow::startOnDevice(const devwatch::Scan& scan)
{
    const int entry = devwatch::firstPresentEntry(scan);
    if (entry < 0) {
        ui->pushButton->setEnabled(false);
        return;
    }
    // Which of two devices the caller meant cannot be known, whatever their modes: a device left
    // in its updater mode by a failed update is as much a candidate as a running one. And the
    // engine, which finds its device by vendor and product alone, could write to the other one.
    if (devwatch::presentCount(scan) > 1) {
        failStep(status::kAmbiguousDevice);
        return;
    }
    pin(entry, scan[entry].first());
    lastScan = scan;
    CallEsLib(true);
    ui->pushButton->setEnabled(true);
    on_pushButton_clicked();
}

void MainWindow::on_pushButton_clicked()
{
    if (step != Step::FindDevice || targetEntry < 0)
        return;
    deadline.stop();
    pollTimer.stop();
    pendingMask = imageMask;
    ui->pushButton->setEnabled(false);
    setStatus(status::kRunning);
    reportProgress(0);

    if (pendingMask & FirstImage) {
        const int wanted = updaterModeFor(job.firstKind);
        if (targetEntry == NormalMode) {
            watchRestart(lastScan, wanted, {otherUpdaterMode(wanted)}, Step::EnterUpdaterMode);
            if (hid.enterBootLoader())
                checkDevice();
            else
                failStep(status::kDeviceLost);
        } else if (targetEntry == wanted) {
            writeFirstImage();
        } else {
            qDebug() << "device in updater mode" << targetEntry << "cannot take this image";
            failStep(status::kWrongMode);
        }
        return;
    }
    if (targetEntry != NormalMode) {
        qDebug() << "the engine's image needs the device in normal mode";
        failStep(status::kWrongMode);
        return;
    }
    startEngine();
}

void MainWindow::watchRestart(const devwatch::Scan& before, int expected, QList<int> wrong,
                              Step next)
{
    restart = devwatch::RestartWatch(before, targetEntry, target, expected, std::move(wrong),
                                     targetPort, usbPortOf);
    step = next;
    deadline.start(kRestartMs);
    pollTimer.start();
}

void MainWindow::followRestart(const devwatch::Scan& scan)
{
    using Outcome = devwatch::RestartWatch::Outcome;
    const Outcome outcome = restart.observe(scan);
    if (outcome == Outcome::Waiting)
        return;
    if (outcome == Outcome::BackInWrongEntry) {
        qDebug() << "device came back as entry" << restart.entry();
        failStep(step == Step::EnterUpdaterMode ? status::kWrongMode : status::kNotRestarted);
        return;
    }
    deadline.stop();
    pollTimer.stop();
    pin(restart.entry(), restart.path());
    if (step == Step::EnterUpdaterMode)
        writeFirstImage();
    else if (pendingMask & SecondImage)
        startEngine();
    else
        succeed();
}

void MainWindow::onDeadline()
{
    switch (step) {
    case Step::FindDevice:
        qDebug() << "no device of this firmware folder appeared";
        failStep(status::kNoDevice);
        break;
    case Step::EnterUpdaterMode: {
        qDebug() << "the device did not come back in its updater mode";
        const bool stayed =
            devwatch::scanDevices(hid.deviceList).value(NormalMode).contains(target);
        failStep(stayed ? status::kNotEntered : status::kDeviceLost);
        break;
    }
    case Step::AwaitRestart:
        qDebug() << "the device did not come back in normal mode";
        failStep(status::kNotRestarted);
        break;
    default:
        break;
    }
}

void MainWindow::writeFirstImage()
{
    step = Step::WriteFirstImage;
    if (job.firstKind == updjob::FirstImageKind::Ch32)
        onCh32RunIap();
    else
        emit EnterBootLoaderSuccess();
}

void MainWindow::finishFirstImage(const devwatch::Scan& before)
{
    pendingMask &= quint8(~FirstImage);
    reportProgress(progressBase);
    watchRestart(before, NormalMode, {BootLoaderMode, Ch32IapMode}, Step::AwaitRestart);
    // A device that restarts at once is seen now rather than a poll later.
    checkDevice();
}

void MainWindow::startEngine()
{
    // The engine finds its device by vendor and product alone; with two of them it could write
    // to the wrong one.
    engineBefore = devwatch::scanDevices(hid.deviceList);
    if (engineBefore.value(NormalMode).size() > 1) {
        failStep(status::kAmbiguousDevice);
        return;
    }
    step = Step::WriteSecondImage;
    CallEsLib(false);
}

void MainWindow::engineImageWritten()
{
    pendingMask &= quint8(~SecondImage);
    // The device restarts with the image it accepted; done means it runs again.
    watchRestart(engineBefore, NormalMode, {BootLoaderMode, Ch32IapMode}, Step::AwaitRestart);
    checkDevice();
}
