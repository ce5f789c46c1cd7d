#include "frontend/firmwarefolders.h"

#include "device/virtualbus.h"
#include "updater/updatejob.h"

#include <QDebug>
#include <QDir>

QString firmwareRoot()
{
    const QString demo = qEnvironmentVariable("QUILLEX_DEMO_FIRMWARE");
    if (!demo.isEmpty() && onVirtualBus())
        return QDir::cleanPath(QDir(demo).absolutePath());
    return QStringLiteral("../modules");
}

QString firmwareFolder(const QString& device, const QString& name)
{
    return firmwareRoot() + QStringLiteral("/P-") + device + QStringLiteral("/updater/") + name +
           QLatin1Char('/');
}

QString folderForUpdater(const QString& folder, const QString& updaterDir)
{
    if (QDir::isAbsolutePath(folder))
        return folder;
    return updaterDir + QLatin1Char('/') + folder;
}

bool firmwareFolderComplete(const QString& folder, const QString& updaterDir)
{
    const updjob::Validation check = updjob::validateJob(folderForUpdater(folder, updaterDir));
    if (!check.ok)
        qDebug() << "no update from" << folder << ":" << check.detail;
    return check.ok;
}
