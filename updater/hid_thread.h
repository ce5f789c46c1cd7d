#pragma once

#include "updater/deviceid.h"

#include <QFuture>
#include <QList>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

struct hid_device_;
typedef struct hid_device_ hid_device;

// The updater's HID worker. A QThread that is never started: every transfer runs on the calling
// (GUI) thread, except the non-waiting bulk write, which runs as one global-pool task. isFree is
// the only lock between the two.
class Hid_Thread : public QThread
{
    Q_OBJECT
public:
    explicit Hid_Thread(QObject* parent = nullptr);
    ~Hid_Thread() override;

    // Takes the device (processing GUI events while it waits, about 2 s at most).
    bool waitFree();
    hid_device* openDevice(int index);
    bool sendShortFeature(int len);
    bool queryShortFeature(int len);

    // How a transfer of output reports ended. A time-out is not a transport error, but nothing
    // the device said may be read from it.
    enum class Transfer { Done, NoAnswer, Failed };
    // Writes bulkBuf as output reports to `entry` (a copy: the shared list may change meanwhile).
    Transfer writeFrames(DeviceId entry, int len, bool readReply);
    // Sends buf as output reports; with waitReply the answers come back in buf, otherwise a pool
    // task writes them and keeps the device until it is done (its result: bulkWritesFailed()).
    Transfer transact(quint8* buf, int len, bool waitReply);
    // Waits for the pool task and tells whether any of its writes failed since the last call.
    bool bulkWritesFailed();
    int exchangeFrame();
    int sendFrame(const quint8 frame[64]);
    bool enterBootLoader();
    void readModel(quint8 out[8]);

    QList<DeviceId> deviceList;
    int devIndex = 1;
    hid_device* handle = nullptr;
    std::atomic<bool> isFree{true};
    quint8 shortOut[9] = {};
    quint8 shortIn[9] = {};
    quint8 bulkBuf[2048] = {};
    quint8 frameOut[64] = {};
    quint8 frameIn[64] = {};

public slots:
    uchar hidCS(uchar* cmd);

private:
    void setFree();
    void closeHandle();
    hid_device* openEntry(const DeviceId& entry);

    // Wakes a waiting waitFree() as soon as the pool task gives the device back.
    std::mutex freeLock;
    std::condition_variable freed;
    QFuture<void> bulkTask;
    std::atomic<bool> bulkFailed{false};
};
