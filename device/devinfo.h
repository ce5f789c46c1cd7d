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
