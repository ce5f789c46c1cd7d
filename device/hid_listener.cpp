#include "device/frames.h"
#include "device/hid_thread.h"

#include <QDebug>
#include <QMutexLocker>
#include <QThread>
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

bool Hid_Thread::endListenerFor(int index, const QString& failedPath)
{
    QMutexLocker lock(&devListLock);
    const bool inRange = index >= 0 && index < devList.size();
    if (inRange && !devList[index].eventPath.isEmpty() && devList[index].eventPath != failedPath)
        return false;
    if (inRange)
        devList[index].eventPath.clear();
    isListening = 0;
    return true;
}

bool Hid_Thread::hid_ListensTo(int index)
{
    QMutexLocker lock(&devListLock);
    return isListening == 1 && listenIndex == index;
}

void Hid_Thread::hid_StartListen(int index)
{
    if (isListening == 1) {
        isListening = 0;
        QThread::msleep(kStopGraceMs);
    }
    // Two tasks must never share hidDevEvent: a task still inside a read gets to finish it.
    listenFuture.waitForFinished();
    {
        QMutexLocker lock(&devListLock);
        listenIndex = index;
        isListening = 1;
    }
    qDebug() << "Listener started on entry" << index;
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

void Hid_Thread::closeEventHandle()
{
    if (hidDevEvent)
        hid_close(hidDevEvent);
    hidDevEvent = nullptr;
}

void Hid_Thread::hid_ListenLoop(int index)
{
    if (eventPathOf(index).isEmpty()) {
        endListenerFor(index, QString());
        qDebug() << "Listener ended on entry" << index << "without an event interface";
        return;
    }
    bool removed = false;
    quint8 buffer[kEventBufferSize];
    QString openPath;
    while (isListening == 1) {
        // Discovery may have replaced the entry since the last pass.
        const QString path = eventPathOf(index);
        // The handle stays open between reads: opening it anew for every 100 ms slice kept the
        // idle program busy. A replug shows up as a new path or a failed read.
        if (hidDevEvent && path != openPath)
            closeEventHandle();
        if (!hidDevEvent && !path.isEmpty()) {
            hidDevEvent = hid_open_path(path.toLocal8Bit().constData());
            openPath = path;
            if (hidDevEvent)
                hid_set_nonblocking(hidDevEvent, 0);
        }
        if (!hidDevEvent) {
            // A device that came back while this pass still held its old path is read on.
            if (!endListenerFor(index, path))
                continue;
            removed = true;
            break;
        }
        const int count = hid_read_timeout(hidDevEvent, buffer, sizeof buffer, kEventReadMs);
        if (const auto event = frames::DeviceEvent::parse(buffer, count))
            forwardDeviceEvent(owner, event->byte0, event->byte1, event->byte2, event->byte3);
        if (count < 0) {
            closeEventHandle();
            // A read that fails at once would otherwise turn the loop into a busy spin.
            QThread::msleep(kEventReadMs);
        }
    }
    closeEventHandle();
    if (removed)
        qDebug() << "Device removed";
    qDebug() << "Listener ended on entry" << index;
}
