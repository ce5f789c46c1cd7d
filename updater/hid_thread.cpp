#include "updater/hid_thread.h"

#include "updater/ch32protocol.h"
#include "updater/shortcommand.h"

#include <QCoreApplication>
#include <QDebug>
#include <QtConcurrent>
#include <chrono>
#include <cstring>
#include <hidapi.h>
#include <thread>
#include <vector>

namespace
{

constexpr int kFreeRounds = 255;
constexpr auto kFreeRoundTime = std::chrono::milliseconds(8);
using Clock = std::chrono::steady_clock;
constexpr auto kReportGap = std::chrono::milliseconds(10);
constexpr int kAnswerTimeoutMs = 500;
constexpr int kFeatureFrameSize = ch32::kFrameSize;

void processEvents()
{
    if (QCoreApplication::instance() && QThread::currentThread() == qApp->thread())
        QCoreApplication::processEvents();
}

// Sleeps until `until`; the last fraction is spun so the pause ends on time, not a scheduler tick
// later.
void pauseUntil(Clock::time_point until)
{
    constexpr auto kSpin = std::chrono::microseconds(200);
    if (Clock::now() + kSpin < until)
        std::this_thread::sleep_until(until - kSpin);
    while (Clock::now() < until)
        std::this_thread::yield();
}

} // namespace

Hid_Thread::Hid_Thread(QObject* parent) : QThread(parent) {}

Hid_Thread::~Hid_Thread()
{
    bulkTask.waitForFinished();
    closeHandle();
}

void Hid_Thread::setFree()
{
    {
        std::lock_guard<std::mutex> lock(freeLock);
        isFree = true;
    }
    freed.notify_all();
}

bool Hid_Thread::waitFree()
{
    for (int round = 0; round < kFreeRounds; ++round) {
        bool expected = true;
        if (isFree.compare_exchange_strong(expected, false))
            return true;
        {
            std::unique_lock<std::mutex> lock(freeLock);
            freed.wait_for(lock, kFreeRoundTime, [this] { return isFree.load(); });
        }
        processEvents();
    }
    bool expected = true;
    return isFree.compare_exchange_strong(expected, false);
}

void Hid_Thread::closeHandle()
{
    if (handle) {
        hid_close(handle);
        handle = nullptr;
    }
}

hid_device* Hid_Thread::openEntry(const DeviceId& entry)
{
    if (entry.path.isEmpty())
        return nullptr;
    closeHandle();
    handle = hid_open_path(entry.path.toLocal8Bit().constData());
    if (handle)
        hid_set_nonblocking(handle, 0);
    return handle;
}

hid_device* Hid_Thread::openDevice(int index)
{
    if (index < 0 || index >= deviceList.size())
        return nullptr;
    hid_device* dev = openEntry(deviceList[index]);
    if (!dev && !deviceList[index].path.isEmpty())
        deviceList[index].path.clear();
    return dev;
}

bool Hid_Thread::sendShortFeature(int len)
{
    processEvents();
    bool ok = false;
    if (openDevice(devIndex))
        ok = hid_send_feature_report(handle, shortOut, size_t(len)) >= 0;
    closeHandle();
    setFree();
    return ok;
}

bool Hid_Thread::queryShortFeature(int len)
{
    bool ok = false;
    if (openDevice(devIndex)) {
        ok = hid_send_feature_report(handle, shortOut, size_t(len)) >= 0;
        if (ok) {
            shortIn[0] = shortOut[0];
            ok = hid_get_feature_report(handle, shortIn, size_t(len)) >= 0;
        }
    }
    closeHandle();
    setFree();
    return ok;
}

Hid_Thread::Transfer Hid_Thread::writeFrames(DeviceId entry, int len, bool readReply)
{
    const int reportLength = entry.reportLength;
    const int frame = len < reportLength ? len : reportLength;
    processEvents();
    // The device gets 10 ms after every report; reopening it for the next report happens within
    // that pause rather than after it.
    Clock::time_point quietUntil = Clock::now();
    bool answered = true;
    auto finish = [&](bool ok) {
        closeHandle();
        if (ok)
            pauseUntil(quietUntil);
        setFree();
        if (!ok)
            return Transfer::Failed;
        return answered ? Transfer::Done : Transfer::NoAnswer;
    };
    if (!openEntry(entry))
        return finish(false);
    if (len == 0)
        return finish(true);
    std::vector<quint8> report(size_t(reportLength) + 1);
    std::vector<quint8> answer(size_t(reportLength) + 1);
    for (int offset = 0; offset < len; offset += frame) {
        const int n = qMin(frame, int(sizeof bulkBuf) - offset);
        std::fill(report.begin(), report.end(), 0);
        std::memcpy(report.data() + 1, bulkBuf + offset, size_t(n));
        if (!openEntry(entry))
            return finish(false);
        pauseUntil(quietUntil);
        if (hid_write(handle, report.data(), report.size()) < 0)
            return finish(false);
        if (readReply) {
            std::fill(answer.begin(), answer.end(), 0);
            if (!openEntry(entry))
                return finish(false);
            const int got =
                hid_read_timeout(handle, answer.data(), answer.size(), kAnswerTimeoutMs);
            if (got < 0)
                return finish(false);
            answered = answered && got > 0;
            // Backends that keep the report number put it in front of the payload.
            const int skip = got > reportLength ? 1 : 0;
            std::memcpy(bulkBuf + offset, answer.data() + skip, size_t(n));
        }
        quietUntil = Clock::now() + kReportGap;
    }
    return finish(true);
}

Hid_Thread::Transfer Hid_Thread::transact(quint8* buf, int len, bool waitReply)
{
    if (len < 0 || len > int(sizeof bulkBuf))
        return Transfer::Failed;
    if (!waitFree()) {
        qDebug() << "cmd Failed 12";
        return Transfer::Failed;
    }
    std::memcpy(bulkBuf, buf, size_t(len));
    const DeviceId entry = deviceList.value(devIndex);
    if (!waitReply) {
        bulkTask = QtConcurrent::run([this, entry, len] {
            if (writeFrames(entry, len, false) != Transfer::Done)
                bulkFailed = true;
        });
        return Transfer::Done;
    }
    const Transfer result = writeFrames(entry, len, true);
    std::memcpy(buf, bulkBuf, size_t(len));
    return result;
}

bool Hid_Thread::bulkWritesFailed()
{
    bulkTask.waitForFinished();
    return bulkFailed.exchange(false);
}

int Hid_Thread::exchangeFrame()
{
    processEvents();
    if (!openDevice(devIndex)) {
        setFree();
        return -3;
    }
    if (hid_send_feature_report(handle, frameOut, kFeatureFrameSize) < 0) {
        qDebug() << "HID SET FEATURE FAIL";
        closeHandle();
        setFree();
        return -2;
    }
    // Nothing of an earlier answer may pass for this one's.
    std::memset(frameIn, 0, sizeof frameIn);
    frameIn[0] = ch32::kReportId;
    const int received = hid_get_feature_report(handle, frameIn, kFeatureFrameSize);
    if (received < 0) {
        qDebug() << "HID GET FEATURE FAIL";
        closeHandle();
        setFree();
        return -1;
    }
    closeHandle();
    setFree();
    return ch32::answerOk(frameIn, received) ? 1 : 0;
}

int Hid_Thread::sendFrame(const quint8 frame[64])
{
    if (!waitFree()) {
        qDebug() << "cmd Failed 12";
        return -4;
    }
    std::memcpy(frameOut, frame, kFeatureFrameSize);
    return exchangeFrame();
}

bool Hid_Thread::enterBootLoader()
{
    if (!waitFree()) {
        qDebug() << "cmd Failed 12";
        return false;
    }
    const shortcmd::Bytes cmd = shortcmd::enterBootLoader();
    std::memcpy(shortOut, cmd.data(), cmd.size());
    return sendShortFeature(shortcmd::kSize);
}

void Hid_Thread::readModel(quint8 out[8])
{
    if (!waitFree()) {
        qDebug() << "cmd Failed EF";
        return;
    }
    const shortcmd::Bytes cmd = shortcmd::queryModel();
    std::memcpy(shortOut, cmd.data(), cmd.size());
    if (!queryShortFeature(shortcmd::kSize))
        return;
    shortcmd::Bytes answer;
    std::memcpy(answer.data(), shortIn, answer.size());
    const auto model = shortcmd::modelFromAnswer(answer);
    std::memcpy(out, model.data(), model.size());
}

uchar Hid_Thread::hidCS(uchar* cmd)
{
    return shortcmd::checksum(cmd);
}
