#include "device/hid_thread.h"
#include "device/tableimages.h"
#include "frontend/firmwarefolders.h"
#include "frontend/myqquickview.h"
#include "frontend/updaterlaunch.h"
#include "frontend/updaterrun.h"

#include <QFileInfo>

QVariantList myQQuickView::syncFwData_Table0()
{
    Table0Image table{};
    readTable0(*deviceLink, table);
    if (const int battery = tableBattery(table); battery >= 0)
        emit batteryLevelRead(battery);
    return imageList(table);
}

QVariantList myQQuickView::syncFwData_Table1()
{
    Table1Image table{};
    readTable1(*deviceLink, table);
    return imageList(table);
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
