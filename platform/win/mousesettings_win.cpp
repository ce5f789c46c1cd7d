#include "platform/mousesettings.h"

#include "platform/win/core/mousecontrolpanel.h"

bool openMouseSettings()
{
    const HANDLE panel = wincore::openMouseControlPanel();
    if (!panel)
        return false;
    CloseHandle(panel);
    return true;
}
