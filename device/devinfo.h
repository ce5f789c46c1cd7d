#pragma once

#include <QString>
#include <QtGlobal>

// One catalog entry plus what discovery found for it. An empty path marks an absent interface.
struct DevInfo {
    QString type;
    quint16 releaseNumber = 0;
    quint16 vid = 0;
    quint16 pid = 0;
    quint16 usagePage = 0;
    quint16 usage = 0;
    quint16 usagePage2 = 0;
    quint16 usage2 = 0;
    qint32 reportLength = 32;
    QString commandPath;
    QString eventPath;
};

// Catalog types read "<device>_<M|D><8K|1K>": a mouse or a receiver, of the 8K or the 1K family.
inline QString catalogKind(const DevInfo& d)
{
    return d.type.section(QLatin1Char('_'), -1);
}
inline bool isReceiverEntry(const DevInfo& d)
{
    return catalogKind(d).startsWith(QLatin1Char('D'));
}
inline bool is1KEntry(const DevInfo& d)
{
    return catalogKind(d).endsWith(QLatin1String("1K"));
}
