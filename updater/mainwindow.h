#pragma once

#include "updater/bootloaderprotocol.h"
#include "updater/devicewatch.h"
#include "updater/hid_thread.h"
#include "updater/updatejob.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QTimer>

namespace Ui
{
class MainWindow;
}

// The updater's window (normally never shown) and the sequencing of an update: the job is checked
// before any device is touched, then one device is pinned and followed through its restarts; the
// first image goes through the boot loader or CH32 IAP, the second through the engine. Progress
// goes to standard output and the result is the exit code: 0 only when every image was written,
// verified and the device runs it again.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const QString& configFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    // An end request made before the event loop runs is kept here for main().
    bool exitRequested() const { return endRequested; }
    int exitCode() const { return endCode; }

signals:
    void EnterBootLoaderSuccess();
    void SetAddrSuccess();
    void SetApDataSuccess();
    void CheckCrcSuccess();
    void EngineUpdateFinished();
    void CH32UpdateSuccess();

public slots:
    void checkDevice();
    void chkDevTimerDelay();
    void errorUpdateEvent(int errorCode);

private slots:
    void on_pushButton_clicked();
    void on_pushButton_2_clicked();
    void onEnterBootLoaderSuccess();
    void onSetAddrSuccess();
    void onSetApDataSuccess();
    void onCheckCrcSuccess();
    void onEngineUpdateFinished();
    void CallEsLib(bool isStartUpdate);
    void DecodeSecrecy();
    void onCh32RunIap();
    void onCH32UpdateSuccess();

protected:
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, long* result) override;
#endif

private:
    // Bits of imageMask and pendingMask.
    enum ImageBit : quint8 {
        FirstImage = 1,
        SecondImage = 2,
    };

    // Where the update stands; every decision about the device is taken from this one value.
    enum class Step {
        FindDevice,       // waiting for the device in any of its modes
        EnterUpdaterMode, // told to restart in its updater mode, waiting for it there
        WriteFirstImage,  // boot-loader or CH32 steps running
        AwaitRestart,     // first image finished, waiting for the device in normal mode
        WriteSecondImage, // the engine is writing
        Ended,
    };

    static void engineProgress(int done, int percent, int error, void* context);
    void onEngineProgress(int done, int percent, int error);

    void startOnDevice(const devwatch::Scan& scan);
    void followRestart(const devwatch::Scan& scan);
    void watchRestart(const devwatch::Scan& before, int expected, QList<int> wrong, Step next);
    void pin(int entry, const QString& path);
    void writeFirstImage();
    void startEngine();
    void engineImageWritten();
    void onDeadline();
    void succeed();
    bool ended() const
    {
        return step == Step::Ended;
    }

    void reportProgress(int value);
    void setStatus(const char* text);
    void releaseEngine();
    void endProcess(int code);
    void failStep(const char* text);
    // The one way a run ends: timers stopped, status shown, engine released, exit code set.
    void finishRun(const char* text, int code);
    // Sends one boot-loader command and tells whether the device answered it.
    bool bootCommand(bootloader::Command& cmd);
    // Reports the first image done and follows the device's restart into normal mode.
    void finishFirstImage(const devwatch::Scan& before);

    Ui::MainWindow* ui;
    Hid_Thread hid;
    updjob::Job job;
    Step step = Step::FindDevice;
    QString target;
    QString targetPort;
    int targetEntry = -1;
    // The scan that found the device, taken before anything was sent to it, and the one taken
    // before the engine started writing.
    devwatch::Scan lastScan;
    devwatch::Scan engineBefore;
    devwatch::RestartWatch restart;
    QTimer deviceTimer;
    // Re-enumerates while waiting for a device: change notices can be missed.
    QTimer pollTimer;
    // Bounds every wait for a device.
    QTimer deadline;
    // An engine that stops reporting has failed.
    QTimer engineWatchdog;
    QByteArray image;
    void* engine = nullptr;
    quint8 imageMask = 0;
    quint8 pendingMask = 0;
    int progressBase = 100;
    int progressSpan = 0;
    // 100 is printed only once the device runs everything written.
    bool confirmed = false;
    bool endRequested = false;
    int endCode = 0;
};
