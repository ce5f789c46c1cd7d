#include "platform/win/core/username.h"

#include <vector>
#include <windows.h>

namespace wincore
{

std::wstring currentUserName()
{
    // 256 characters (UNLEN) and the terminating zero; a longer name is asked for again with
    // the size Windows reports, so it is never cut short.
    std::vector<wchar_t> name(257);
    DWORD size = DWORD(name.size());
    if (!GetUserNameW(name.data(), &size)) {
        if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return std::wstring();
        name.resize(size);
        if (!GetUserNameW(name.data(), &size))
            return std::wstring();
    }
    // The size counts the terminating zero.
    return size > 0 ? std::wstring(name.data(), size - 1) : std::wstring();
}

} // namespace wincore
