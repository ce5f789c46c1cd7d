#pragma once

#include <QObject>
#include <QString>

// Shows a notice through the desktop's own notification service.
class DesktopNotifier : public QObject
{
    Q_OBJECT
public:
    explicit DesktopNotifier(QObject* parent = nullptr);

    // Sends the notice from `program`; false when the desktop offers no such service, so the
    // caller shows it some other way.
    bool show(const QString& program, const QString& title, const QString& body);
};
