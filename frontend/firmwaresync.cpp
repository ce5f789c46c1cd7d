#include "device/hid_thread.h"
#include "device/tableimages.h"
#include "frontend/firmwarefolders.h"
#include "frontend/myqquickview.h"
#include "frontend/updaterlaunch.h"
#include "frontend/updaterrun.h"

#include <QFileInfo>

// Table 0 as the scene indexes it: the battery level, and the marker of a table the firmware
// filled (1).
static const int table0Battery = 8;
static const int table0Valid = 9;

QVariantList myQQuickView::syncFwData_Table0()
{
    Table0Image table{};
    readTable0(*deviceLink, table);
    if (table[table0Valid] == 1)
        emit batteryLevelRead(table[table0Battery]);
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
