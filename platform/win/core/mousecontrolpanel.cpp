#include "platform/win/core/mousecontrolpanel.h"

#include <vector>

namespace wincore
{

std::wstring mouseControlPanelCommand(const std::wstring& systemFolder)
{
    return L"\"" + systemFolder + L"\\control.exe\" main.cpl";
}

HANDLE openMouseControlPanel()
{
    std::vector<wchar_t> folder(MAX_PATH);
    const UINT length = GetSystemDirectoryW(folder.data(), UINT(folder.size()));
    if (length == 0 || length >= folder.size())
        return nullptr;
    // CreateProcessW may write into the command line.
    std::wstring command = mouseControlPanelCommand(std::wstring(folder.data(), length));
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

} // namespace wincore
