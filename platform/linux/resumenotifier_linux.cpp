#include "platform/resumenotifier.h"

#include <QDBusConnection>
#include <QDebug>

ResumeNotifier::ResumeNotifier(QObject* parent) : QObject(parent)
{
    QDBusConnection bus = QDBusConnection::systemBus();
    const bool connected =
        bus.isConnected() &&
        bus.connect(QStringLiteral("org.freedesktop.login1"),
                    QStringLiteral("/org/freedesktop/login1"),
                    QStringLiteral("org.freedesktop.login1.Manager"),
                    QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
    if (!connected)
        qDebug() << "system bus unavailable: resume from sleep is not watched";
}

void ResumeNotifier::onPrepareForSleep(bool start)
{
    if (!start)
        emit resumed();
}
