#include "platform/username.h"

#include "platform/win/core/username.h"

QString currentUserName()
{
    return QString::fromStdWString(wincore::currentUserName());
}
