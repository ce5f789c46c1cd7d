#include "platform/mousesettings.h"

#include <windows.h>

void openMouseSettings()
{
    // The result is ignored: a failed start simply shows nothing.
    WinExec("c:\\windows\\system32\\control.exe main.cpl", SW_SHOWNORMAL);
}
