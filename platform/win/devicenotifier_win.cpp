#include "platform/devicenotifier.h"

// Device changes arrive as WM_DEVICECHANGE in the main window's native event filter.
struct DeviceNotifier::Private {
};

DeviceNotifier::DeviceNotifier(QObject* parent) : QObject(parent), d(new Private) {}

DeviceNotifier::~DeviceNotifier()
{
    delete d;
}
