#include "device/virtualbus.h"

#include <QtGlobal>

#ifndef Q_OS_WIN
#include <dlfcn.h>
#endif

bool onVirtualBus()
{
#ifdef Q_OS_WIN
    return false;
#else
    return dlsym(RTLD_DEFAULT, "quillex_sim_change_fd") != nullptr;
#endif
}
