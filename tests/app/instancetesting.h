#pragma once

// What a test needs to look at another program's instance block.

#include "app/instancelock.h"
#include "app/instanceprotocol.h"
#include "platform/username.h"

#include <QFileInfo>
#include <QSharedMemory>
#include <QStandardPaths>

// The key `program` derives when its application name is `identity` (no organisation, domain
// or version, per user: how quillex and the probe start).
inline QString instanceKeyOf(const QString& identity, const QString& program)
{
    InstanceKeyInputs in;
    in.applicationName = identity;
    in.applicationFilePath = QFileInfo(program).canonicalFilePath();
    in.perUser = true;
    in.userName = currentUserName();
    if (in.userName.isEmpty())
        in.homeLocations = QStandardPaths::standardLocations(QStandardPaths::HomeLocation);
    return deriveInstanceKey(in);
}

inline InstanceBlock readBlock(QSharedMemory& memory)
{
    memory.lock();
    const InstanceBlock block = InstanceBlock::parse(memory.constData());
    memory.unlock();
    return block;
}
