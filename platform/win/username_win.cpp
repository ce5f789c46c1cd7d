#include "platform/username.h"

#include <windows.h>

QString currentUserName()
{
    wchar_t name[257];
    DWORD size = 257;
    if (!GetUserNameW(name, &size))
        return QString();
    return QString::fromWCharArray(name, int(size) - 1);
}
