#include "device/hid_thread.h"
#include "frontend/devicecatalog.h"
#include "frontend/myqquickview.h"
#include "frontend/pairingblock.h"

#include <QDebug>

static const qint32 noEntry = 255;

// Release number discovery recorded for entry `n` against the catalog's version.
static bool firmwareDiffers(const Hid_Thread& link, int n)
{
    const quint16 found = n < link.devList.size() ? link.devList.at(n).releaseNumber : 0;
    return found != catalogFwVersion(n);
}

// The listener ends with its device; a device that was unplugged and comes back under the same
// entry needs a new one, or its notifications never reach the scene again.
void myQQuickView::selectEntry(int index)
{
    const bool changed = deviceLink->curDevIndex != index;
    deviceLink->curDevIndex = index;
    if (changed || !deviceLink->hid_ListensTo(index))
        deviceLink->hid_StartListen(index);
}

QStringList myQQuickView::initDeviceOnline(int i)
{
    if (i < 0 || i >= deviceLink->onlineList.size())
        return {QString(), QString()};
    const QStringList parts =
        deviceLink->onlineList.at(i).type.split(QLatin1Char('_'), Qt::SkipEmptyParts);
    return {parts.value(0), parts.value(1)};
}

bool myQQuickView::connectCurrentDevice(QString strID, uchar mId, uchar dId)
{
    const int group = catalogGroupIndex(strID);
    if (group < 0) {
        qDebug() << "unknown device" << strID;
        return false;
    }
    if (mId != 0) {
        selectEntry(mouseEntry(group));
        if (dId == 0)
            return false;
        const bool mouseDiffers = firmwareDiffers(*deviceLink, mouseEntry(group));
        const int receiver = receiverEntry(group, dId);
        const bool receiverDiffers = receiver >= 0 && firmwareDiffers(*deviceLink, receiver);
        return mouseDiffers || receiverDiffers;
    }
    if (dId == 0) {
        deviceLink->curDevIndex = noEntry;
        return false;
    }
    const int receiver = receiverEntry(group, dId);
    if (receiver >= 0)
        selectEntry(receiver);
    return false;
}

bool myQQuickView::startPair(bool bStart, QString strID, uchar dId)
{
    if (bStart) {
        const int group = catalogGroupIndex(strID);
        if (group < 0) {
            qDebug() << "unknown device" << strID;
            return false;
        }
        suspendDeviceCheck = true;
        const int receiver = receiverEntry(group, dId);
        if (receiver >= 0)
            deviceLink->curDevIndex = receiver;
    }
    return deviceLink->hid_runPairt(false, bStart);
}

void myQQuickView::runPair()
{
    if (deviceLink->hid_runPairt(true, false))
        emit pairFinished();
}

bool myQQuickView::startPairOnLine(QString strID, uchar dId)
{
    const int group = catalogGroupIndex(strID);
    const int receiver = group < 0 ? -1 : receiverEntry(group, dId);
    if (receiver < 0) {
        qDebug() << "no receiver to pair for" << strID << dId;
        return false;
    }
    return pairReceiverWithMouse(*deviceLink, mouseEntry(group), receiver);
}

bool pairReceiverWithMouse(Hid_Thread& link, int mouse, int receiver)
{
    link.curDevIndex = mouse;
    PairingBlock answer{};
    if (!link.hid_ioPairOnline(true, answer.data()))
        return false;
    link.curDevIndex = receiver;
    PairingBlock block = receiverBlockFromAnswer(answer);
    const bool result = link.hid_ioPairOnline(false, block.data());
    link.curDevIndex = mouse;
    return result;
}
