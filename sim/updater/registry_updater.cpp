#include "sim/personality.h"
#include "sim/updater/bootloaderdevice.h"
#include "sim/updater/ch32device.h"
#include "sim/updater/updatabledevice.h"

namespace sim
{

// Updatable normal-mode devices ("fw-mouse", "fw-receiver8k", "fw-receiver1k") and devices
// plugged already in an updater mode ("bootloader", "ch32iap"; they come back as a mouse).
void registerUpdaterPersonalities(PersonalityRegistry& r)
{
    for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Receiver8K, DeviceKind::Receiver1K})
        r.add(std::string("fw-") + kindInfo(kind).name, [kind] {
            return std::make_unique<upd::UpdatableDevice>(kind, std::make_shared<upd::Setup>());
        });
    r.add("bootloader",
          [] { return std::make_unique<upd::BootLoaderDevice>(std::make_shared<upd::Setup>()); });
    r.add("ch32iap", [] {
        auto setup = std::make_shared<upd::Setup>();
        setup->mode = upd::Mode::Ch32;
        return std::make_unique<upd::Ch32Device>(setup);
    });
}

} // namespace sim
