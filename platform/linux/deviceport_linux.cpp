#include "platform/deviceport.h"
#include "platform/linux/sysfsport.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <dlfcn.h>

namespace
{

// The virtual hidapi knows where its devices are plugged and says so through this extension.
QString virtualPortOf(const QString& hidPath, bool* handled)
{
    using PortOf = int (*)(const char*, char*, int);
    static const auto hook = reinterpret_cast<PortOf>(dlsym(RTLD_DEFAULT, "quillex_sim_port_of"));
    *handled = hook != nullptr;
    if (!hook)
        return {};
    char port[256];
    return hook(hidPath.toLocal8Bit().constData(), port, sizeof port) > 0
               ? QString::fromLocal8Bit(port)
               : QString();
}

} // namespace

QString usbPortFromSysfs(const QString& hidDevicePath)
{
    // .../usb1/1-2/1-2:1.0/0003:093A:C791.0005: the USB device folder above the interface folder
    // ("1-2:1.0") is the port.
    static const QRegularExpression interfaceFolder(QStringLiteral("/\\d+-[\\d.]+:\\d+\\.\\d+/"));
    const QRegularExpressionMatch match = interfaceFolder.match(hidDevicePath);
    return match.hasMatch() ? hidDevicePath.left(match.capturedStart()) : QString();
}

QString usbPortOf(const QString& hidPath)
{
    bool handled = false;
    const QString port = virtualPortOf(hidPath, &handled);
    if (handled)
        return port;
    if (!hidPath.startsWith(QLatin1String("/dev/hidraw")))
        return {};
    return usbPortFromSysfs(QFileInfo(QStringLiteral("/sys/class/hidraw/") +
                                      QFileInfo(hidPath).fileName() + QStringLiteral("/device"))
                                .canonicalFilePath());
}
