#include "cli/appdata.h"

#include "frontend/datafolder.h"
#include "frontend/macrostore.h"
#include "frontend/settingsfiles.h"

#include <QCoreApplication>
#include <QSettings>

static const QString kSettingList = QStringLiteral("Setting/data");
static const int kProfileElement = 2;

static QString appSettingsPath()
{
    return modulesDir() + QStringLiteral("/apConfig.ini");
}

AppData::AppData()
{
    // The window's data folder is named after the window.
    const QString own = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName(QStringLiteral("quillex"));
    settleModulesDir();
    QCoreApplication::setApplicationName(own);
}

int AppData::profile() const
{
    const QSettings settings(boundedSettingsFile(appSettingsPath(), kAppSettingsMaxBytes).path,
                             QSettings::IniFormat);
    return settingsList(settings.value(kSettingList)).value(kProfileElement, 0).toInt();
}

bool AppData::setProfile(int profile)
{
    QSettings settings(boundedSettingsFile(appSettingsPath(), kAppSettingsMaxBytes).path,
                       QSettings::IniFormat);
    QVariantList list = settingsList(settings.value(kSettingList));
    while (list.size() <= kProfileElement)
        list.append(0);
    list[kProfileElement] = profile;
    settings.setValue(kSettingList, list);
    settings.sync();
    return settings.status() == QSettings::NoError;
}

QString AppData::profilePath(const QString& product) const
{
    return modulesDir() + QStringLiteral("/P-") + product + QStringLiteral("/profile") +
           QString::number(profile()) + QStringLiteral(".ini");
}

QVariantList AppData::storedMacros(const QString& product) const
{
    QSettings settings(boundedSettingsFile(profilePath(product), kProfileMaxBytes).path,
                       QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return storedMacroList(settings);
}

bool AppData::storeMacro(const QString& product, int number, const QVariantList& actions) const
{
    QSettings settings(boundedSettingsFile(profilePath(product), kProfileMaxBytes).path,
                       QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    // The members the macro page stores with every macro.
    return ::storeMacro(settings, number - 1,
                        {{QStringLiteral("Actions"), actions},
                         {QStringLiteral("MacroId"), number - 1},
                         {QStringLiteral("Name"), QString()}});
}
