#include "frontend/datafolder.h"
#include "frontend/macrostore.h"
#include "frontend/myqquickview.h"
#include "frontend/settingsfiles.h"
#include "frontend/startwithos.h"

#include <QDebug>

// Elements of the settings list "Setting/data"; the fourth, the language, is the scene's alone.
enum SettingIndex { HideToTray = 0, StartUp = 1, Profile = 2 };
static const int settingCount = 4;

// A missing element reads as 0, so a short or absent list never indexes past its end.
static QVariant element(const QVariantList& list, int index)
{
    return index < list.size() ? list.at(index) : QVariant(0);
}

bool myQQuickView::saveAppDataList(QVariant key, QVariantList tmpdatalist, QVariant mode)
{
    switch (mode.toUInt()) {
    case HideToTray:
        closeToTray = element(tmpdatalist, HideToTray).toUInt() == 1;
        break;
    case StartUp: {
        const bool on = element(tmpdatalist, StartUp).toUInt() == 1;
        if (!switchStartWithOs(on) && on)
            return false;
        break;
    }
    case Profile:
        currentProfile = element(tmpdatalist, Profile).toUInt();
        break;
    default:
        break;
    }
    appSettings->setValue(key.toString(), tmpdatalist);
    appSettings->sync();
    reportIfUnsaved();
    return true;
}

void myQQuickView::reportIfUnsaved()
{
    // Once per run: the user learns the settings will not outlive the session, without a box on
    // every click.
    if (appSettings->status() == QSettings::NoError || settingsFailureReported)
        return;
    settingsFailureReported = true;
    qDebug() << "settings cannot be saved to" << appSettings->fileName();
    emit settingsNotSaved();
}

QVariantList myQQuickView::getAppDataList(QVariant key)
{
    QVariantList list = settingsList(appSettings->value(key.toString()));
    while (list.size() < settingCount)
        list.append(0);
    closeToTray = list.at(HideToTray).toUInt() == 1;
    currentProfile = list.at(Profile).toUInt();
    list[StartUp] = isStartWithOsOn() ? 1 : 0;
    return list;
}

QVariant myQQuickView::getOtherProperty(QString key, QVariant args, QVariant strID)
{
    const QString path = modulesDir() + QStringLiteral("/P-") + strID.toString() +
                         QStringLiteral("/profile") + QString::number(currentProfile) +
                         QStringLiteral(".ini");
    delete profileSettings;
    profileSettings =
        new QSettings(openBoundedSettings(path, kProfileMaxBytes), QSettings::IniFormat, this);
    profileSettings->setIniCodec("UTF-8");

    if (key != QLatin1String("MACRO"))
        return QVariant();
    return storedMacroText(*profileSettings, args.toString());
}
