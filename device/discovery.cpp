#include "device/discovery.h"

#include <QSettings>
#include <hidapi.h>

namespace
{

// USB identifiers are bare hex digits; anything that does not parse counts as 0.
quint16 hexKey(const QSettings& ini, const QString& key)
{
    bool ok = false;
    const quint16 value = ini.value(key).toString().toUShort(&ok, 16);
    return ok ? value : 0;
}

DevInfo readEntry(const QSettings& ini, int i)
{
    const QString s = QString::number(i) + QLatin1Char('/');
    DevInfo d;
    d.type = ini.value(s + QStringLiteral("type")).toString();
    d.vid = hexKey(ini, s + QStringLiteral("vid"));
    d.pid = hexKey(ini, s + QStringLiteral("pid"));
    d.usagePage = hexKey(ini, s + QStringLiteral("usagePage"));
    d.usage = hexKey(ini, s + QStringLiteral("usage"));
    d.usagePage2 = hexKey(ini, s + QStringLiteral("usagePage2"));
    d.usage2 = hexKey(ini, s + QStringLiteral("usage2"));
    d.reportLength = ini.value(s + QStringLiteral("reportLength"), 32).toInt();
    return d;
}

void findInterfaces(DevInfo& d)
{
    d.commandPath.clear();
    d.eventPath.clear();
    // 0 is hidapi's wildcard: an entry without a valid ID would match foreign devices.
    if (d.vid == 0 || d.pid == 0)
        return;
    hid_device_info* list = hid_enumerate(d.vid, d.pid);
    // Every interface is tested against both usages; the last match in enumeration order wins.
    for (hid_device_info* it = list; it; it = it->next) {
        if (it->usage_page == d.usagePage && it->usage == d.usage) {
            d.releaseNumber = it->release_number;
            d.commandPath = QString::fromLocal8Bit(it->path);
        }
        if (it->usage_page == d.usagePage2 && it->usage == d.usage2)
            d.eventPath = QString::fromLocal8Bit(it->path);
    }
    hid_free_enumeration(list);
}

} // namespace

QList<DevInfo> discoverDevices(const QString& catalogPath)
{
    QSettings ini(catalogPath, QSettings::IniFormat);
    ini.setIniCodec("UTF-8");
    QList<DevInfo> entries;
    for (int i = 0; i < ini.value(QStringLiteral("common/deviceCount"), 0).toInt(); ++i)
        entries.append(readEntry(ini, i));
    for (DevInfo& d : entries)
        findInterfaces(d);
    return entries;
}
