#pragma once

#include "sim/personality.h"
#include "sim/updater/updaterframes.h"
#include "sim/updater/updatersetup.h"

namespace sim::upd
{

// The device in CH32 IAP mode (093A:C799, usage page FF01): erase, write and verify 59-byte chunks
// at 16-bit offsets, finish. Its flash is the slot's persistent region "iap-flash" (64 KiB);
// writing programs bits from 1 to 0 only, so a chunk written without an erase is refused.
class Ch32Device : public UpdaterModeDevice
{
public:
    explicit Ch32Device(SetupPtr setup);

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    int getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len) override;

private:
    uint8_t apply(DeviceHost& host, const iap::Frame& frame);

    bool erased = false;
    size_t imageEnd = 0;
    uint8_t status = 1;
    bool silent = false;
    enum class After { Stay, Restart, Vanish } after = After::Stay;
};

} // namespace sim::upd
