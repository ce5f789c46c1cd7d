#include "platform/win/core/runkey.h"

#include <vector>

namespace wincore
{

static const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// Where Task Manager records that the user switched a Run entry off.
static const wchar_t startupApprovedKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

RegistryView runKeyView(bool wow64)
{
    // Windows shares the per-user Software key between both views, so this only keeps a
    // 32-bit build explicit about the view it reads; a 64-bit build never runs under WOW64.
    return wow64 ? RegistryView::Bits32 : RegistryView::ProcessDefault;
}

RegistryView currentRunKeyView()
{
    BOOL wow64 = FALSE;
    return runKeyView(IsWow64Process(GetCurrentProcess(), &wow64) && wow64);
}

REGSAM runKeyAccess(REGSAM base, RegistryView view)
{
    switch (view) {
    case RegistryView::Bits32:
        return base | KEY_WOW64_32KEY;
    case RegistryView::Bits64:
        return base | KEY_WOW64_64KEY;
    case RegistryView::ProcessDefault:
        break;
    }
    return base;
}

bool isRunValuePresent(const std::wstring& name, RegistryView view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, runKey, 0, runKeyAccess(KEY_QUERY_VALUE, view), &key) !=
        ERROR_SUCCESS)
        return false;
    const LONG status = RegQueryValueExW(key, name.c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

bool writeRunValue(const std::wstring& name, const std::wstring& data, RegistryView view)
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        runKeyAccess(KEY_WRITE, view), nullptr, &key, nullptr) != ERROR_SUCCESS)
        return false;
    // The byte count includes the terminating zero, which REG_SZ readers rely on.
    const LONG status =
        RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                       DWORD((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

static bool removeValue(const wchar_t* subKey, const std::wstring& name, REGSAM access)
{
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_CURRENT_USER, subKey, 0, access, &key);
    if (opened == ERROR_FILE_NOT_FOUND)
        return true;
    if (opened != ERROR_SUCCESS)
        return false;
    const LONG status = RegDeleteValueW(key, name.c_str());
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

bool removeRunValue(const std::wstring& name, RegistryView view)
{
    return removeValue(runKey, name, runKeyAccess(KEY_SET_VALUE, view));
}

bool isRunValueDisabledByUser(const std::wstring& name)
{
    DWORD size = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, startupApprovedKey, name.c_str(), RRF_RT_REG_BINARY,
                     nullptr, nullptr, &size) != ERROR_SUCCESS ||
        size == 0)
        return false;
    std::vector<BYTE> state(size);
    if (RegGetValueW(HKEY_CURRENT_USER, startupApprovedKey, name.c_str(), RRF_RT_REG_BINARY,
                     nullptr, state.data(), &size) != ERROR_SUCCESS ||
        size == 0)
        return false;
    // The first byte is 2 (or 6) while the entry is on and 3 (or 7) once the user switched it
    // off; the rest is when that happened.
    return (state[0] & 1) != 0;
}

bool clearRunValueDisabledByUser(const std::wstring& name)
{
    return removeValue(startupApprovedKey, name, KEY_SET_VALUE);
}

std::wstring autoStartCommandLine(const std::wstring& executablePath)
{
    std::wstring native = executablePath;
    for (wchar_t& c : native)
        if (c == L'/')
            c = L'\\';
    return L"\"" + native + L"\" -s";
}

} // namespace wincore
