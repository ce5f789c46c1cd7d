#include "app/deviceclaim.h"

#include "app/ui_controler.h"
#include "device/devicelock.h"
#include "frontend/datafolder.h"
#include "frontend/settingsfiles.h"

#include <QDebug>
#include <QSettings>

namespace
{
// Longer than any quillexctl command but an update.
constexpr int kWaitMs = 5000;
constexpr int kLanguageElement = 3;
constexpr int kBusyTitle = 28;
constexpr int kBusyText = 29;

QString languageCode()
{
    settleModulesDir();
    const QString path = modulesDir() + QStringLiteral("/apConfig.ini");
    const QSettings settings(fitsSizeBound(path, kAppSettingsMaxBytes) ? path : QString(),
                             QSettings::IniFormat);
    const QVariantList list = settingsList(settings.value(QStringLiteral("Setting/data")));
    return QString::number(list.value(kLanguageElement, 2).toInt());
}
} // namespace

bool claimDevicesForWindow(DeviceLock& lock)
{
    switch (lock.tryLock(kWaitMs)) {
    case DeviceLock::Taken:
        return true;
    case DeviceLock::Unusable:
        // Nothing else could take it either; the window is not kept from its devices for that.
        qDebug() << "no device lock can be made; the window goes on without one";
        return true;
    case DeviceLock::Held:
        break;
    }
    qDebug() << "the devices are kept by" << lock.holder();
    Ui_Controler texts;
    const QStringList main = texts.getLangStrings(QStringLiteral("PageMain"), languageCode());
    texts.msgbox(main.value(kBusyTitle), main.value(kBusyText), true);
    return false;
}
