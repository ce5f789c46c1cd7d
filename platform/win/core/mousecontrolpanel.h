#pragma once

#include <string>
#include <windows.h>

namespace wincore
{

// The command that opens the mouse control panel: control.exe of the system folder given (not
// always C:\Windows\System32), quoted, with main.cpl.
std::wstring mouseControlPanelCommand(const std::wstring& systemFolder);

// Starts it from this Windows' system folder; the process started, or null when it could not
// start. The caller closes the handle.
HANDLE openMouseControlPanel();

} // namespace wincore
