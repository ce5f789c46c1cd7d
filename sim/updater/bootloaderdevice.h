#pragma once

#include "sim/personality.h"
#include "sim/updater/updaterframes.h"
#include "sim/updater/updatersetup.h"

namespace sim::upd
{

// The device in boot-loader mode (2E3C:AF01, usage page 00FF): takes 1 KiB blocks into flash
// from 0x6000 and answers the CRC of any 2 KiB of flash. The flash is the slot's persistent
// region "flash" (64 KiB, addressed with wrap-around); the region "image" holds every data byte
// received since the last data-begin, in order.
class BootLoaderDevice : public UpdaterModeDevice
{
public:
    explicit BootLoaderDevice(SetupPtr setup);

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int output(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;

private:
    void writeData(DeviceHost& host, const bl::Frame& frame);
    uint32_t crcAt(DeviceHost& host, uint16_t address);

    uint16_t writeAddress = 0;
};

} // namespace sim::upd
