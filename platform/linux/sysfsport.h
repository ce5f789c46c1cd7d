#pragma once

#include <QString>

// The USB port folder in a hidraw node's canonical sysfs device path
// (/sys/devices/.../usb1/1-2/1-2:1.0/0003:093A:C791.0005 -> /sys/devices/.../usb1/1-2); empty
// when the path does not hang off a USB interface.
QString usbPortFromSysfs(const QString& hidDevicePath);
