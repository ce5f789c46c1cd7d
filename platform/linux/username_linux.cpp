#include "platform/username.h"

#include <pwd.h>
#include <unistd.h>

QString currentUserName()
{
    const passwd* account = getpwuid(geteuid());
    return account && account->pw_name ? QString::fromLocal8Bit(account->pw_name) : QString();
}
