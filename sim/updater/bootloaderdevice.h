#pragma once

#include "sim/personality.h"
#include "sim/updater/updaterframes.h"
#include "sim/updater/updatersetup.h"
#include "sim/updater/writtenimage.h"

namespace sim::upd
{

// The device in boot-loader mode (2E3C:AF01, usage page 00FF): takes 1 KiB blocks into flash
// from 0x6000 and answers the CRC of any 2 KiB of flash. The flash is the slot's persistent
// region "flash" (64 KiB, addressed with wrap-around). Its finish starts the new firmware only
// from a whole, checked boot-loader image; a write below 0x6000 destroys the boot loader's own
// code, after which the device never starts firmware again.
class BootLoaderDevice : public UpdaterModeDevice
{
public:
    explicit BootLoaderDevice(SetupPtr setup);

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int output(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;

private:
    void forgetSession() override { session = Session(); }
    void writeData(DeviceHost& host, const bl::Frame& frame);
    uint32_t crcAt(DeviceHost& host, uint16_t address);
    void restart(DeviceHost& host);

    // Since the last data-begin.
    struct Session {
        bool begun = false;
        uint16_t writeAddress = 0;
        bool endedAfterData = false;
        WrittenImage image{bl::kImageBase};
    } session;
};

} // namespace sim::upd
