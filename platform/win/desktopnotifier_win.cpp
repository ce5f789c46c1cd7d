#include "platform/desktopnotifier.h"

// Windows shows notices as the tray icon's balloon, which Qt turns into a toast where the system
// has them: there is no separate service to call.
DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::show(const QString& program, const QString& title, const QString& body)
{
    Q_UNUSED(program)
    Q_UNUSED(title)
    Q_UNUSED(body)
    return false;
}
