#include "device/hid_thread.h"

Hid_Thread::Hid_Thread(QObject* parent) : QThread(parent) {}
Hid_Thread::~Hid_Thread() = default;

void Hid_Thread::hid_GetApData(quint8*, bool, quint8) {}
QVariant Hid_Thread::hid_GetDeviceStrCount() { return onlineList.size(); }
void Hid_Thread::hid_Send8ByteData(quint8, quint8, quint8, quint8, quint8, quint8, quint8) {}
bool Hid_Thread::hid_runPairt(bool, bool) { return false; }
void Hid_Thread::hid_04H_SendMacroData(quint8, quint32, quint8*) {}
bool Hid_Thread::hid_ioPairOnline(bool, quint8*) { return false; }
void Hid_Thread::publishDevices(const QList<DevInfo>& entries)
{
    QMutexLocker lock(&devListLock);
    devList = entries;
    onlineList.clear();
    for (const DevInfo& d : entries)
        if (!d.commandPath.isEmpty())
            onlineList.append(d);
}
hid_device* Hid_Thread::hid_OpenDevice(int) { return nullptr; }
bool Hid_Thread::hid_FeatureRead(int) { return false; }
bool Hid_Thread::hid_FeatureWrite(int) { return false; }
bool Hid_Thread::hid_WaitReady() { return false; }
void Hid_Thread::hid_StartListen(int) {}
void Hid_Thread::hid_StopListen() {}
void Hid_Thread::hid_ListenLoop(int) {}
