#include "frontend/devicecatalog.h"

#include <QSettings>
#include <QStringList>

int catalogGroupIndex(const QString& strID, const QString& catalogPath)
{
    const QSettings catalog(catalogPath, QSettings::IniFormat);
    const int count = catalog.value(QStringLiteral("common/deviceCount")).toInt();
    const QStringList strings = catalog.value(QStringLiteral("common/deviceStrId")).toStringList();
    for (int i = 0; i < count && i < strings.size(); ++i)
        if (strings.at(i) == strID)
            // The list pads a single string with an empty one; a group without its three
            // entries in the catalog is no device.
            return 3 * i + 2 < count ? i : -1;
    return -1;
}

quint16 catalogFwVersion(int n, const QString& catalogPath)
{
    const QSettings catalog(catalogPath, QSettings::IniFormat);
    const QString text =
        catalog.value(QString::number(n) + QStringLiteral("/fwVersion")).toString();
    return quint16((QStringLiteral("0x") + text).toUInt(nullptr, 16));
}
