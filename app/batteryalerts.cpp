#include "app/batteryalerts.h"

#include <algorithm>

int BatteryAlerts::percentOf(int deviceLevel)
{
    return std::min(100, deviceLevel);
}

BatteryAlerts::Alert BatteryAlerts::levelRead(int deviceLevel)
{
    const int percent = percentOf(deviceLevel);
    Alert alert = Alert::None;
    if (percent <= criticalPercent) {
        if (criticalArmed)
            alert = Alert::Critical;
        criticalArmed = false;
        lowArmed = false;
    } else if (percent <= lowPercent) {
        if (lowArmed)
            alert = Alert::Low;
        lowArmed = false;
        criticalArmed = true;
    } else {
        lowArmed = true;
        criticalArmed = true;
    }
    return alert;
}
