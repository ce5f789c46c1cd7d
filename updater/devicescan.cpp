#include "updater/devicewatch.h"

#include <hidapi.h>

namespace devwatch
{

Scan scanDevices(const QList<DeviceId>& entries)
{
    Scan scan;
    for (const DeviceId& entry : entries) {
        QStringList paths;
        hid_device_info* list = hid_enumerate(entry.vid, entry.pid);
        for (hid_device_info* it = list; it; it = it->next)
            if (it->usage_page == entry.usagePage && it->usage == entry.usage)
                paths << QString::fromLocal8Bit(it->path);
        hid_free_enumeration(list);
        scan << paths;
    }
    return scan;
}

} // namespace devwatch
