#include "platform/traywatch.h"

// The taskbar's notification area is part of the shell: it is always there and never changes.
TrayWatch::TrayWatch(QObject* parent) : QObject(parent), d(nullptr) {}

TrayWatch::~TrayWatch() = default;

bool TrayWatch::available() const
{
    return true;
}
