#include "device/hid_thread.h"

#include "device/frames.h"

#include <QCoreApplication>
#include <QDebug>
#include <QMutexLocker>
#include <hidapi.h>
#include <vector>

namespace
{
constexpr int kAnswerTimeoutMs = 500;
constexpr int kBlockPauseMs = 20;
constexpr int kWaitStepMs = 8;
constexpr int kWaitSteps = 255;
} // namespace

Hid_Thread::Hid_Thread(QObject* parent) : QThread(parent) {}

Hid_Thread::~Hid_Thread()
{
    // The pool task still uses this object: it must be gone before the object is.
    isListening = 0;
    listenFuture.waitForFinished();
    closeCommand();
}

void Hid_Thread::publishDevices(const QList<DevInfo>& entries)
{
    QMutexLocker lock(&devListLock);
    devList = entries;
    onlineList.clear();
    for (const DevInfo& d : entries)
        if (!d.commandPath.isEmpty())
            onlineList.append(d);
    if (onlineList.isEmpty())
        qDebug() << "Device DisConnect";
}

bool Hid_Thread::commandEntry(int index, QString* path, int* reportLength)
{
    QMutexLocker lock(&devListLock);
    if (index < 0 || index >= devList.size())
        return false;
    *path = devList[index].commandPath;
    *reportLength = devList[index].reportLength;
    return true;
}

hid_device* Hid_Thread::hid_OpenDevice(int index)
{
    QString path;
    int reportLength = 0;
    if (!commandEntry(index, &path, &reportLength) || path.isEmpty())
        return nullptr;
    closeCommand();
    hidDev = hid_open_path(path.toLocal8Bit().constData());
    if (!hidDev) {
        // Later commands fail at once until discovery finds the interface again.
        QMutexLocker lock(&devListLock);
        if (index < devList.size() && devList[index].commandPath == path)
            devList[index].commandPath.clear();
        return nullptr;
    }
    hid_set_nonblocking(hidDev, 0);
    return hidDev;
}

void Hid_Thread::closeCommand()
{
    if (hidDev)
        hid_close(hidDev);
    hidDev = nullptr;
}

bool Hid_Thread::reopen()
{
    return hid_OpenDevice(curDevIndex) != nullptr;
}

bool Hid_Thread::endExchange(bool ok)
{
    closeCommand();
    isReady = 1;
    return ok;
}

bool Hid_Thread::hid_WaitReady()
{
    for (int i = 0; isReady == 0 && i < kWaitSteps; ++i) {
        QThread::msleep(kWaitStepMs);
        pumpEvents();
    }
    if (isReady == 0)
        return false;
    isReady = 0;
    return true;
}

void Hid_Thread::pumpEvents()
{
    // User input waits for the handler that started the exchange: Qt Quick drops an input
    // event delivered while another one is still being handled.
    ++eventPumps;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    --eventPumps;
}

bool Hid_Thread::beginCommand(const char* failLine)
{
    if (hid_WaitReady())
        return true;
    qDebug() << failLine;
    return false;
}

void Hid_Thread::setFrame(const std::array<quint8, 9>& frame)
{
    std::copy(frame.begin(), frame.end(), cmdBuf);
}

bool Hid_Thread::sendCommandFrame(int n, int* reportLength)
{
    QString path;
    // A report length below 1 would never advance through the blocks, and no data phase is
    // larger than a macro image.
    if (!commandEntry(curDevIndex, &path, reportLength) || *reportLength < 1 || n < 0 ||
        n > frames::kMacroMaxLength)
        return false;
    // The first open only tests that the interface is there; each transfer gets its own.
    return hid_OpenDevice(curDevIndex) && reopen() &&
           hid_send_feature_report(hidDev, cmdBuf, sizeof cmdBuf) >= 0;
}

bool Hid_Thread::hid_FeatureRead(int n)
{
    int reportLength = 0;
    if (!sendCommandFrame(n, &reportLength))
        return endExchange(false);
    // Only an answer that echoes our command counts: anything else is a stale answer to an
    // earlier command or noise, and must never be taken for the data asked for.
    const quint8 code = cmdBuf[1];
    if (n == 0) {
        std::fill(std::begin(ackBuf), std::end(ackBuf), 0);
        return endExchange(reopen() && hid_get_feature_report(hidDev, ackBuf, sizeof ackBuf) > 1 &&
                           ackBuf[1] == code);
    }
    const int chunk = frames::chunkSize(n, reportLength);
    std::vector<quint8> block(size_t(reportLength) + 1);
    for (int offset = 0; offset < n; offset += chunk) {
        std::fill(block.begin(), block.end(), 0);
        if (!reopen() ||
            hid_read_timeout(hidDev, block.data(), block.size(), kAnswerTimeoutMs) <= 0) {
            qDebug() << "no answer to command" << Qt::hex << int(code);
            return endExchange(false);
        }
        if (block[0] != code) {
            qDebug() << "answer" << Qt::hex << int(block[0]) << "does not echo command"
                     << int(code);
            return endExchange(false);
        }
        std::copy(block.begin(), block.begin() + chunk, dataBuf + offset);
    }
    return endExchange(true);
}

bool Hid_Thread::hid_FeatureWrite(int n)
{
    pumpEvents();
    int reportLength = 0;
    if (!sendCommandFrame(n, &reportLength))
        return endExchange(false);
    const int chunk = frames::chunkSize(n, reportLength);
    for (int offset = 0; offset < n; offset += chunk) {
        const std::vector<quint8> report =
            frames::outputReport(dataBuf + offset, chunk, reportLength);
        if (!reopen() || hid_write(hidDev, report.data(), report.size()) < 0)
            return endExchange(false);
        QThread::msleep(kBlockPauseMs);
    }
    return endExchange(true);
}
