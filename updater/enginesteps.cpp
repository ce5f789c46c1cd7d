// The second image: version read and update through the firmware-update engine.
#include "ui_mainwindow.h"
#include "updater/engine/EsSdk2862.h"
#include "updater/mainwindow.h"
#include "updater/statustexts.h"

#include <QDebug>
#include <QTextCodec>
#include <QThread>

void MainWindow::CallEsLib(bool isStartUpdate)
{
    if (!isStartUpdate) {
        if (!engine) {
            // Without an engine the second image can never be written; waiting would not end.
            qDebug() << "no update engine";
            failStep(status::kEngineFailed);
            return;
        }
        engineWatchdog.start();
        if ((ES_StartFwUpdate(engine, reinterpret_cast<const char16_t*>(job.b1Path.utf16()),
                              &MainWindow::engineProgress, this) &
             0xFF) == 0) {
            qDebug() << "the engine refused to start";
            failStep(status::kEngineFailed);
        }
        return;
    }

    if (!engine)
        engine = ES_InitializeEngine();
    if (!engine)
        return;
    quint16 version = 0;
    quint16 checksum = 0;
    quint8 configVersion[5] = {};
    const DeviceId& normal = hid.deviceList[NormalMode];
    if ((ES_GetFirmwareVersion(normal.vid, normal.pid, &version, &checksum, configVersion) &
         0xFF) == 0)
        return;
    ui->lineEdit_4->setText(checksumText(checksum));
    ui->lineEdit_3->setText(versionText(version));
    quint8 model[8] = {};
    hid.readModel(model);
    ui->lineEdit->setText(QString::fromUtf8(reinterpret_cast<const char*>(model)));
    ui->lineEdit_2->setText(QTextCodec::codecForLocale()->toUnicode(
        reinterpret_cast<const char*>(configVersion), sizeof configVersion));
    qDebug().noquote() << "firmware" << ui->lineEdit->text() << ui->lineEdit_3->text()
                       << ui->lineEdit_4->text() << ui->lineEdit_2->text();
}

void MainWindow::engineProgress(int done, int percent, int error, void* context)
{
    auto* window = static_cast<MainWindow*>(context);
    if (QThread::currentThread() == window->thread()) {
        window->onEngineProgress(done, percent, error);
        return;
    }
    QMetaObject::invokeMethod(
        window, [window, done, percent, error] { window->onEngineProgress(done, percent, error); },
        Qt::QueuedConnection);
}

void MainWindow::onEngineProgress(int done, int percent, int error)
{
    if (step != Step::WriteSecondImage)
        return;
    engineWatchdog.start();
    const bool complete = error == 0 && (done & 0xFF);
    reportProgress(percent * progressSpan / 100 + progressBase);
    if (error != 0) {
        // The engine gave up: nothing more will come, so the update has failed.
        qDebug() << "engine error" << error;
        failStep(status::kEngineFailed);
        return;
    }
    if (complete)
        emit EngineUpdateFinished();
}

void MainWindow::onEngineUpdateFinished()
{
    engineWatchdog.stop();
    engineImageWritten();
}

void MainWindow::releaseEngine()
{
    if (engine) {
        ES_UninitializeEngine(engine);
        engine = nullptr;
    }
}
