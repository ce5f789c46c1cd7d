#include "platform/autostart.h"

#include <QDebug>
#include <QDir>

#include <string>
#include <windows.h>

static const wchar_t runKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// A 32-bit build on 64-bit Windows must address the 32-bit view of the Run key.
static REGSAM viewFlag()
{
    BOOL wow64 = FALSE;
    if (IsWow64Process(GetCurrentProcess(), &wow64) && wow64)
        return KEY_WOW64_32KEY;
    return 0;
}

static std::wstring wide(const QString& text)
{
    return text.toStdWString();
}

QString autoStartCommand(const QString& executablePath)
{
    return QLatin1Char('"') + QDir::toNativeSeparators(executablePath) + QStringLiteral("\" -s");
}

bool isAutoStartRegistered(const QString& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, runKey, 0, KEY_QUERY_VALUE | viewFlag(), &key) !=
        ERROR_SUCCESS)
        return false;
    const LONG status =
        RegQueryValueExW(key, wide(name).c_str(), nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(key);
    return status == ERROR_SUCCESS || status == ERROR_MORE_DATA;
}

bool writeAutoStart(const QString& name, const QString& data)
{
    HKEY key = nullptr;
    const LONG created = RegCreateKeyExW(HKEY_CURRENT_USER, runKey, 0, nullptr, 0,
                                         KEY_WRITE | viewFlag(), nullptr, &key, nullptr);
    qDebug().noquote()
        << QStringLiteral(
               "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n") +
               name + QStringLiteral(": ") + data;
    if (created != ERROR_SUCCESS)
        return false;
    const std::wstring value = wide(data);
    const LONG status = RegSetValueExW(key, wide(name).c_str(), 0, REG_SZ,
                                       reinterpret_cast<const BYTE*>(value.c_str()),
                                       DWORD((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
}

void removeAutoStart(const QString& name)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, runKey, 0, KEY_SET_VALUE | viewFlag(), &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueW(key, wide(name).c_str());
    RegCloseKey(key);
}
