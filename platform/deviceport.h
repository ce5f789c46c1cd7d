#pragma once

#include <QString>

// Where the device behind a HID interface path is plugged: the USB port it hangs off. A device
// that re-enumerates (into or out of its firmware-update mode) keeps its port, so the port tells
// it from another device of the same kind plugged meanwhile. Empty when the system cannot tell.
QString usbPortOf(const QString& hidPath);
