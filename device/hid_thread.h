#pragma once

#include "device/devinfo.h"

#include <QFuture>
#include <QList>
#include <QMutex>
#include <QThread>
#include <QVariant>
#include <array>
#include <atomic>

struct hid_device_;
typedef struct hid_device_ hid_device;

class Widget;

// Forwards one device notification (bytes 1-4 of a 5-byte event report) to the scene. Defined by
// the application (main window -> controller -> view); called on the listener's pool thread.
void forwardDeviceEvent(Widget* owner, quint8 byte0, quint8 byte1, quint8 byte2, quint8 byte3);

// The device link: discovery results, the one-command-at-a-time transport and the event
// listener. Derives from QThread for historical reasons but is never started; commands run on
// the caller's (main) thread, only the listener runs on the global thread pool.
class Hid_Thread : public QThread
{
    Q_OBJECT
public:
    explicit Hid_Thread(QObject* parent = nullptr);
    ~Hid_Thread() override;

    // True when the answer block was read; a failed read leaves srcDat as it was.
    Q_INVOKABLE bool hid_GetApData(quint8* srcDat, bool isTable0, quint8 table1StartByte);
    Q_INVOKABLE QVariant hid_GetDeviceStrCount();
    // True when the device took the write.
    Q_INVOKABLE bool hid_Send8ByteData(quint8 table, quint8 startAddr, quint8 length, quint8 byte0,
                                       quint8 byte1, quint8 byte2, quint8 byte3);
    Q_INVOKABLE bool hid_runPairt(bool bRunning, bool bStart);
    // True when the whole image went out.
    Q_INVOKABLE bool hid_04H_SendMacroData(quint8 index, quint32 length, quint8* SrcDat);
    Q_INVOKABLE bool hid_ioPairOnline(bool getAddr, quint8* srcDat);

    // Replaces devList and onlineList with a discovery result (under devListLock) and notes in
    // the debug log when nothing is connected.
    void publishDevices(const QList<DevInfo>& entries);

    hid_device* hid_OpenDevice(int index);
    // Sends cmdBuf and reads the answer: n bytes of answer blocks into dataBuf, or with n == 0
    // the feature answer into ackBuf. False on a time-out or an answer that does not echo the
    // command code.
    bool hid_FeatureRead(int n);
    bool hid_FeatureWrite(int n);
    bool hid_WaitReady();
    void hid_StartListen(int index);
    void hid_StopListen();
    void hid_ListenLoop(int index);
    // True while a listener task runs on `index` and has not given up on its device. A listener
    // that ended with its device must be started again when the device is selected after its
    // return, or the device's notifications are lost.
    bool hid_ListensTo(int index);
    // True while an exchange lets queued events run (its wait and write pacing do): work that
    // rebuilds the scene must wait, as the scene handler that started the exchange still runs.
    bool insideExchange() const { return eventPumps > 0; }

    Widget* owner = nullptr;
    QList<DevInfo> devList;
    QList<DevInfo> onlineList;
    qint32 curDevIndex = 255;
    hid_device* hidDev = nullptr;
    hid_device* hidDevEvent = nullptr;
    std::atomic<quint8> isReady{1};
    std::atomic<quint8> isListening{0};
    QFuture<void> listenFuture;
    int listenIndex = -1; // entry of the last listener started; under devListLock
    int eventPumps = 0;
    quint8 cmdBuf[9] = {};
    quint8 ackBuf[9] = {};
    quint8 dataBuf[512] = {};

    // Guards devList: the listener reads and clears its event path on the pool thread while
    // discovery replaces the list or a failed open clears a command path on the main thread.
    QMutex devListLock;

private:
    // The wait that opens a command; writes failLine when the transport stays busy.
    bool beginCommand(const char* failLine);
    void setFrame(const std::array<quint8, 9>& frame);
    // Path and report length of the addressed entry; false when the index is out of range.
    bool commandEntry(int index, QString* path, int* reportLength);
    // Reopens the command interface for one transfer; false when it cannot be opened.
    bool reopen();
    void closeCommand();
    // Test open, then the command frame on a fresh handle; n is the data phase length.
    bool sendCommandFrame(int n, int* reportLength);
    // Ends an exchange: the handle is closed and the transport is free again.
    bool endExchange(bool ok);
    void pumpEvents();
    QString eventPathOf(int index);
    // Decides under devListLock whether the listener on `index` ends after `failedPath` could not
    // be used: not when discovery has meanwhile published another path for the entry. Ending
    // forgets the failed path and marks the listener as no longer running.
    bool endListenerFor(int index, const QString& failedPath);
    void closeEventHandle();
};
