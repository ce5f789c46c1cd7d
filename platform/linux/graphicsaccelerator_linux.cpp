#include "platform/graphicsaccelerator.h"

#include <QDir>

bool hasGraphicsAccelerator()
{
    // Every DRM driver that renders offers a render node; the CPU renderers need none.
    return !QDir(QStringLiteral("/dev/dri"))
                .entryList({QStringLiteral("renderD*")}, QDir::System)
                .isEmpty();
}
