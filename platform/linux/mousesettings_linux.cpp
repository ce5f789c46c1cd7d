#include "platform/mousesettings.h"

#include <QDebug>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

namespace
{
struct SettingsProgram {
    const char* program;
    const char* argument;
};
// The mouse panels of GNOME, KDE Plasma (6, then 5) and Xfce, in the order they are tried.
const SettingsProgram programs[] = {
    {"gnome-control-center", "mouse"},
    {"kcmshell6", "kcm_mouse"},
    {"kcmshell5", "kcm_mouse"},
    {"xfce4-mouse-settings", nullptr},
};
} // namespace

bool openMouseSettings()
{
    for (const SettingsProgram& candidate : programs) {
        const QString path = QStandardPaths::findExecutable(QLatin1String(candidate.program));
        if (path.isEmpty())
            continue;
        QStringList arguments;
        if (candidate.argument)
            arguments << QLatin1String(candidate.argument);
        if (QProcess::startDetached(path, arguments))
            return true;
        qDebug() << "could not start" << path;
        return false;
    }
    qDebug() << "no mouse settings program found";
    return false;
}
