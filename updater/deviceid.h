#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

// One interface the updater looks for; an empty path means it is absent.
struct DeviceId {
    quint16 vid = 0;
    quint16 pid = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    int reportLength = 64;
    QString path;
};

// Entries of the device list, in detection priority order.
enum DeviceIndex {
    NormalMode = 0,
    BootLoaderMode = 1,
    Ch32IapMode = 2,
};

// Entry 0 from the 16 hex digits of "ApConfig/devImage" (byte-swapped pairs, see the .cpp).
DeviceId deviceIdFromImage(const QString& text);

// Entry 0 followed by the boot-loader and CH32 IAP devices.
QList<DeviceId> buildDeviceList(const DeviceId& normalMode);

// "v" + major + minor of a firmware version, e.g. 0x0105 -> "v105", 0x0025 -> "v037".
QString versionText(quint16 version);
// Lower-case hex without prefix or leading zeros.
QString checksumText(quint16 checksum);
