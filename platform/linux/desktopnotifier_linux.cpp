#include "platform/desktopnotifier.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QDebug>
#include <QStringList>
#include <QVariantMap>

// The freedesktop.org notification service, which every common desktop provides.
static const char notificationsService[] = "org.freedesktop.Notifications";
static const char notificationsPath[] = "/org/freedesktop/Notifications";
// The icon the package installs under the desktop entry's name.
static const char programIcon[] = "quillex";

// Many desktops start their notification daemon on its first call (D-Bus activation): a service
// that can be started counts as offered.
static bool serviceOffered(const QDBusConnection& bus)
{
    const QString service = QString::fromLatin1(notificationsService);
    QDBusConnectionInterface* daemon = bus.interface();
    if (daemon->isServiceRegistered(service))
        return true;
    const QDBusReply<QStringList> activatable =
        daemon->call(QStringLiteral("ListActivatableNames"));
    return activatable.isValid() && activatable.value().contains(service);
}

DesktopNotifier::DesktopNotifier(QObject* parent) : QObject(parent) {}

bool DesktopNotifier::show(const QString& program, const QString& title, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !serviceOffered(bus))
        return false;
    const QString service = QString::fromLatin1(notificationsService);
    QDBusMessage notify = QDBusMessage::createMethodCall(
        service, QString::fromLatin1(notificationsPath), service, QStringLiteral("Notify"));
    const uint replacesNone = 0;
    const int serverTimeout = -1;
    notify << program << replacesNone << QString::fromLatin1(programIcon) << title << body
           << QStringList() << QVariantMap() << serverTimeout;
    // Not waited for: a slow notification daemon must not hold up the window.
    auto* call = new QDBusPendingCallWatcher(bus.asyncCall(notify), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [](QDBusPendingCallWatcher* done) {
        if (done->isError())
            qDebug() << "desktop notification failed:" << done->error().message();
        done->deleteLater();
    });
    return true;
}
