#include "platform/devicenotifier.h"

#include <QDebug>
#include <QSocketNotifier>
#include <cerrno>
#include <dlfcn.h>
#include <libudev.h>
#include <unistd.h>

// The virtual hidapi exports this hook: a descriptor that becomes readable whenever a virtual
// device is plugged or unplugged, so the app notices it on the same path as a real device.
using SimChangeFd = int (*)();

struct DeviceNotifier::Private {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
};

DeviceNotifier::DeviceNotifier(QObject* parent) : QObject(parent), d(new Private)
{
    d->context = udev_new();
    if (d->context)
        d->monitor = udev_monitor_new_from_netlink(d->context, "udev");
    if (d->monitor &&
        udev_monitor_filter_add_match_subsystem_devtype(d->monitor, "hidraw", nullptr) >= 0 &&
        udev_monitor_enable_receiving(d->monitor) >= 0) {
        auto* notifier =
            new QSocketNotifier(udev_monitor_get_fd(d->monitor), QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this] {
            udev_device* dev = udev_monitor_receive_device(d->monitor);
            if (!dev)
                return;
            const QByteArray action = udev_device_get_action(dev);
            udev_device_unref(dev);
            if (action == "add" || action == "remove")
                emit devicesChanged();
        });
    } else {
        qDebug() << "udev monitor unavailable: device changes are not watched";
    }

    if (auto hook = reinterpret_cast<SimChangeFd>(dlsym(RTLD_DEFAULT, "quillex_sim_change_fd"))) {
        const int fd = hook();
        if (fd >= 0) {
            auto* notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
            connect(notifier, &QSocketNotifier::activated, this, [this, notifier, fd] {
                char drain[64];
                const ssize_t n = read(fd, drain, sizeof drain);
                if (n > 0)
                    emit devicesChanged();
                else if (n == 0 || (errno != EAGAIN && errno != EINTR))
                    notifier->setEnabled(false); // the virtual bus went away: stop watching
            });
        }
    }
}

DeviceNotifier::~DeviceNotifier()
{
    if (d->monitor)
        udev_monitor_unref(d->monitor);
    if (d->context)
        udev_unref(d->context);
    delete d;
}
