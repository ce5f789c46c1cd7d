#include "device/hid_thread.h"
#include "frontend/firmwarefolders.h"
#include "frontend/myqquickview.h"
#include "frontend/updaterlaunch.h"
#include "frontend/updaterrun.h"

#include <QFileInfo>
#include <array>

// Table images as the scene indexes them: one 64-byte answer block for table 0, two for table 1,
// the second read starting at table byte 63 (each block carries 63 table bytes).
static const int table0Size = 64;
static const int table1Size = 128;
static const int blockSize = 64;
static const quint8 table1SecondStart = 63;

template <std::size_t N> static QVariantList toVariantList(const std::array<quint8, N>& bytes)
{
    QVariantList list;
    list.reserve(int(N));
    for (quint8 b : bytes)
        list.append(int(b));
    return list;
}

QVariantList myQQuickView::syncFwData_Table0()
{
    std::array<quint8, table0Size> table{};
    deviceLink->hid_GetApData(table.data(), true, 0);
    return toVariantList(table);
}

QVariantList myQQuickView::syncFwData_Table1()
{
    std::array<quint8, table1Size> table{};
    deviceLink->hid_GetApData(table.data(), false, 0);
    deviceLink->hid_GetApData(table.data() + blockSize, false, table1SecondStart);
    return toVariantList(table);
}

void myQQuickView::startFwUpdateEvent(QString path)
{
    // The device re-plugs itself during the update; those notifications must not start scans.
    suspendDeviceCheck = true;
    updater->start(updaterProgram(), {path, QStringLiteral("-s"), QStringLiteral("-r")});
}

QString myQQuickView::firmwareFolder(QString strID, QString name)
{
    return ::firmwareFolder(strID, name);
}

bool myQQuickView::firmwareFolderReady(QString folder)
{
    // Without the updater itself nothing could be updated either.
    const QFileInfo updater(updaterProgram());
    return updater.isExecutable() && firmwareFolderComplete(folder, updater.absolutePath());
}
