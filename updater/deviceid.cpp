#include "updater/deviceid.h"

namespace
{

// Four single characters of text, in the order given; a missing character contributes nothing
// and an unparsable or empty result is 0.
quint16 hexField(const QString& text, int a, int b, int c, int d)
{
    auto at = [&text](int i) { return i < text.size() ? QString(text.at(i)) : QString(); };
    bool ok = false;
    const uint value = (at(a) + at(b) + at(c) + at(d)).toUInt(&ok, 16);
    return ok ? quint16(value) : 0;
}

} // namespace

DeviceId deviceIdFromImage(const QString& text)
{
    DeviceId id;
    id.vid = hexField(text, 5, 4, 7, 6);
    id.pid = hexField(text, 1, 0, 3, 2);
    id.usagePage = hexField(text, 9, 8, 11, 10);
    id.usage = hexField(text, 13, 12, 15, 14);
    return id;
}

QList<DeviceId> buildDeviceList(const DeviceId& normalMode)
{
    DeviceId bootLoader;
    bootLoader.vid = 0x2E3C;
    bootLoader.pid = 0xAF01;
    bootLoader.usagePage = 0x00FF;
    bootLoader.usage = 0x0001;
    DeviceId iap;
    iap.vid = 0x093A;
    iap.pid = 0xC799;
    iap.usagePage = 0xFF01;
    iap.usage = 0x0001;
    return {normalMode, bootLoader, iap};
}

QString versionText(quint16 version)
{
    const QString hex = QString::number(version, 16);
    const uint minor = hex.right(2).toUInt(nullptr, 16);
    const uint major = hex.left(qMax(0, hex.size() - 2)).toUInt(nullptr, 16);
    return QString("v%1%2%3").arg(major).arg(minor <= 9 ? "0" : "").arg(minor);
}

QString checksumText(quint16 checksum)
{
    return QString::number(checksum, 16);
}
