#pragma once

#include "updater/deviceid.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>

// Which device an update talks to. A scan lists, per entry of the device list, the paths of every
// matching interface; the update pins one of them and, across each restart of the device, tells
// the device that came back from devices that merely happen to be plugged in.
namespace devwatch
{

// Paths per device-list entry, in enumeration order.
using Scan = QList<QStringList>;

// Enumerates every entry's matching interfaces (the only I/O here).
Scan scanDevices(const QList<DeviceId>& entries);

// First entry with a device, as the lowest index wins; -1 when none.
int firstPresentEntry(const Scan& scan);
// Devices present in any entry, whatever their mode.
int presentCount(const Scan& scan);

// The port a path's device is plugged into; empty when unknown (see platform/deviceport.h).
using PortOf = std::function<QString(const QString&)>;

// Follows one device through a restart: it leaves entry `from` at `oldPath` and is expected back
// in entry `expected`; showing up in one of the `wrong` entries instead is a failure. Devices
// present when the restart was ordered are someone else's and are ignored, and so is a device
// plugged meanwhile into another port, where ports are known.
class RestartWatch
{
public:
    enum class Outcome { Waiting, Back, BackInWrongEntry };

    RestartWatch() = default;
    // `port` is where the device is plugged (taken while it was still there), with the function
    // that tells the port of any other path; both empty when ports are unknown.
    RestartWatch(const Scan& before, int from, const QString& oldPath, int expected,
                 QList<int> wrong, const QString& port = {}, PortOf portOf = {});

    Outcome observe(const Scan& scan);
    // The path it came back under, once observe() said Back or BackInWrongEntry.
    QString path() const { return foundPath; }
    int entry() const { return foundEntry; }

private:
    bool isNew(int entry, const QString& path) const;

    QList<QSet<QString>> others;
    int from = -1;
    QString oldPath;
    int expected = -1;
    QList<int> wrong;
    PortOf portOf;
    QString port;
    bool left = false;
    QString foundPath;
    int foundEntry = -1;
};

} // namespace devwatch
