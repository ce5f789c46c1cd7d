#include "device/frames.h"
#include "device/hid_thread.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <hidapi.h>

namespace
{
constexpr int kStopGraceMs = 200;
constexpr int kEventReadMs = 100;
constexpr int kEventBufferSize = 64;
} // namespace

QString Hid_Thread::eventPathOf(int index)
{
    QMutexLocker lock(&devListLock);
    return index >= 0 && index < devList.size() ? devList[index].eventPath : QString();
}

void Hid_Thread::clearEventPath(int index)
{
    QMutexLocker lock(&devListLock);
    if (index >= 0 && index < devList.size())
        devList[index].eventPath.clear();
}

void Hid_Thread::hid_StartListen(int index)
{
    if (isListening == 1) {
        isListening = 0;
        QThread::msleep(kStopGraceMs);
    }
    // Two tasks must never share hidDevEvent: a task still inside a read gets to finish it.
    listenFuture.waitForFinished();
    isListening = 1;
    listenFuture =
        QtConcurrent::run(QThreadPool::globalInstance(), [this, index] { hid_ListenLoop(index); });
}

void Hid_Thread::hid_StopListen()
{
    if (isListening == 1) {
        isListening = 0;
        QThread::msleep(kStopGraceMs);
    }
}

void Hid_Thread::hid_ListenLoop(int index)
{
    if (eventPathOf(index).isEmpty() || isListening == 0)
        return;
    quint8 buffer[kEventBufferSize];
    while (isListening == 1) {
        // Discovery may have replaced the entry since the last pass.
        const QString path = eventPathOf(index);
        if (path.isEmpty())
            break;
        if (hidDevEvent)
            hid_close(hidDevEvent);
        hidDevEvent = hid_open_path(path.toLocal8Bit().constData());
        if (!hidDevEvent) {
            clearEventPath(index);
            break;
        }
        hid_set_nonblocking(hidDevEvent, 0);
        const int count = hid_read_timeout(hidDevEvent, buffer, sizeof buffer, kEventReadMs);
        if (const auto event = frames::DeviceEvent::parse(buffer, count))
            forwardDeviceEvent(owner, event->byte0, event->byte1, event->byte2, event->byte3);
        hid_close(hidDevEvent);
        hidDevEvent = nullptr;
    }
    if (isListening == 0)
        return; // stopped on purpose: the interface is still there
    qDebug() << "Device removed";
    clearEventPath(index);
    isListening = 0;
    QThread::msleep(kStopGraceMs);
}
