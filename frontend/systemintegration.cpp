#include "frontend/demomode.h"
#include "frontend/myqquickview.h"
#include "frontend/startwithos.h"

#include "platform/autostart.h"
#include "platform/mousesettings.h"

#include <QCoreApplication>

// The executable's name without extension, as Qt derives it when no other name is set.
static QString startEntryName()
{
    return QCoreApplication::applicationName();
}

bool switchStartWithOs(bool on)
{
    if (on) {
        QString command = autoStartCommand(QCoreApplication::applicationFilePath());
        if (isDemoMode())
            command += QStringLiteral(" --demo");
        writeAutoStart(startEntryName(), command);
    } else
        removeAutoStart(startEntryName());
    return isStartWithOsOn();
}

bool isStartWithOsOn()
{
    return isAutoStartRegistered(startEntryName());
}

bool myQQuickView::openWinMouseSetting()
{
    return openMouseSettings();
}
