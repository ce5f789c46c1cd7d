#include "platform/mousesettings.h"

#include <windows.h>

bool openMouseSettings()
{
    // WinExec reports success with a value above 31.
    return WinExec("c:\\windows\\system32\\control.exe main.cpl", SW_SHOWNORMAL) > 31;
}
