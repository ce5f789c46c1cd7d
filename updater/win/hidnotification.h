#pragma once

#include <QWidget>

// Windows only: HID interface arrival and removal notices for the updater's window, and the two
// window messages it reacts to.
enum class HidWindowMessage { DeviceChange, Restore, Other };

void registerHidNotification(WId window);
HidWindowMessage hidWindowMessage(void* message);
