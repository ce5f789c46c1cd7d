#pragma once

#include "device/devinfo.h"

#include <QList>
#include <QString>

// One discovery pass: reads the catalog and enumerates every entry's interfaces through hidapi.
// Never talks to a device.
QList<DevInfo> discoverDevices(const QString& catalogPath = QStringLiteral(":/DevInfo.ini"));
