#include "platform/autostart.h"

#include "platform/win/core/runkey.h"

#include <QDebug>

using wincore::currentRunKeyView;

QString autoStartCommand(const QString& executablePath)
{
    return QString::fromStdWString(wincore::autoStartCommandLine(executablePath.toStdWString()));
}

bool isAutoStartRegistered(const QString& name)
{
    // An entry the user switched off in Task Manager stays in the Run key but does not start.
    const std::wstring entry = name.toStdWString();
    return wincore::isRunValuePresent(entry, currentRunKeyView()) &&
           !wincore::isRunValueDisabledByUser(entry);
}

bool writeAutoStart(const QString& name, const QString& data)
{
    qDebug().noquote()
        << QStringLiteral(
               "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\n") +
               name + QStringLiteral(": ") + data;
    const std::wstring entry = name.toStdWString();
    // Switching start-up on from the program overrides an earlier "off" in Task Manager.
    return wincore::writeRunValue(entry, data.toStdWString(), currentRunKeyView()) &&
           wincore::clearRunValueDisabledByUser(entry);
}

void removeAutoStart(const QString& name)
{
    wincore::removeRunValue(name.toStdWString(), currentRunKeyView());
}
