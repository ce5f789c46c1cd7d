#pragma once

#include <QString>
#include <QtGlobal>

// Look-ups in the embedded device catalog. Entries come in groups of three per device string:
// 3g the wired mouse, 3g+1 the 8K receiver, 3g+2 the 1K receiver.

// Group index of `strID`, or -1 when the catalog does not list it with its three entries.
int catalogGroupIndex(const QString& strID,
                      const QString& catalogPath = QStringLiteral(":/DevInfo.ini"));

// The firmware version the catalog expects for entry `n` (its hexadecimal "fwVersion").
quint16 catalogFwVersion(int n, const QString& catalogPath = QStringLiteral(":/DevInfo.ini"));

inline int mouseEntry(int group)
{
    return 3 * group;
}

// The receiver entry addressed for the online bits `dId` (0x01 the 1K receiver, which wins over
// 0x02 the 8K receiver), or -1 when neither bit is set.
inline int receiverEntry(int group, quint8 dId)
{
    if (dId & 0x01)
        return 3 * group + 2;
    if (dId & 0x02)
        return 3 * group + 1;
    return -1;
}
