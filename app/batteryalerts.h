#pragma once

// Decides when a falling battery deserves a warning: once as it reaches 15 % and once as it
// reaches 5 %, each again only after the level has risen above that threshold.
class BatteryAlerts
{
public:
    enum class Alert { None, Low, Critical };

    static constexpr int lowPercent = 15;
    static constexpr int criticalPercent = 5;

    // The level in percent; the firmware may report more than 100 for a full battery.
    static int percentOf(int deviceLevel);

    // Takes each level read from the device; a drop past both thresholds at once calls for the
    // critical warning only.
    Alert levelRead(int deviceLevel);

private:
    bool lowArmed = true;
    bool criticalArmed = true;
};
