#pragma once

#include "updater/hid_thread.h"

#include <QByteArray>
#include <QMainWindow>
#include <QString>
#include <QTimer>

namespace Ui
{
class MainWindow;
}

// The updater's window (normally never shown) and the sequencing of an update: device detection,
// the first image through the boot loader or CH32 IAP, the second through the engine, progress on
// standard output and the result as the exit code.
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

    static void engineProgress(int done, int percent, int error, void* context);
    void onEngineProgress(int done, int percent, int error);

    void reportProgress(int value);
    void setStatus(const char* text);
    void releaseEngine();
    void endProcess(int code);
    void failStep(const char* text);
    // Reports the first image done; ends with 0 when nothing is left to write.
    void finishFirstImage();
    void enumerateDevices();
    void deviceNeverReturned();

    Ui::MainWindow* ui;
    Hid_Thread hid;
    QTimer deviceTimer;
    // Bounds the wait for the device to come back after it was told to restart.
    QTimer returnTimer;
    QString b0Path;
    QString b1Path;
    QByteArray image;
    void* engine = nullptr;
    quint8 imageMask = 0;
    quint8 pendingMask = 0;
    bool b0IsCh32 = false;
    bool b0IsBootLoader = false;
    bool bootLoaderBusy = false;
    bool ch32Busy = false;
    bool engineBusy = false;
    int progressBase = 100;
    int progressSpan = 0;
    bool endRequested = false;
    int endCode = 0;
};
