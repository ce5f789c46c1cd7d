#pragma once

// The per-user Run key entry that starts the program at logon, without Qt.

#include <string>
#include <windows.h>

namespace wincore
{

// Which registry view the Run key is opened in. The 32-bit and 64-bit views are chosen
// explicitly only by a 32-bit build on 64-bit Windows and by tests.
enum class RegistryView { ProcessDefault, Bits32, Bits64 };

// A 32-bit build on 64-bit Windows addresses the 32-bit view; any other process its own.
RegistryView runKeyView(bool wow64);
// runKeyView() for this process, asking IsWow64Process.
RegistryView currentRunKeyView();
// `base` with the view flag added: KEY_WOW64_32KEY or KEY_WOW64_64KEY, or nothing.
REGSAM runKeyAccess(REGSAM base, RegistryView view);

// Whether the value `name` exists under the Run key, whatever its size.
bool isRunValuePresent(const std::wstring& name, RegistryView view);
// Creates the key if needed and sets `name` to `data` as REG_SZ; false when that failed.
bool writeRunValue(const std::wstring& name, const std::wstring& data, RegistryView view);
// Deletes `name`; a missing key or value counts as removed. False only when it stays.
bool removeRunValue(const std::wstring& name, RegistryView view);

// Whether the user switched the entry `name` off in Task Manager (or the Settings app). Windows
// then keeps the Run value but does not start it.
bool isRunValueDisabledByUser(const std::wstring& name);
// Forgets that switch, so that the entry starts again; nothing to forget is not an error.
bool clearRunValueDisabledByUser(const std::wstring& name);

// The Run value's data: the native executable path in quotes, followed by " -s".
std::wstring autoStartCommandLine(const std::wstring& executablePath);

} // namespace wincore
