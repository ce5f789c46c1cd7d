#pragma once

#include "sim/personality.h"
#include "sim/updater/updaterframes.h"
#include "sim/updater/updatersetup.h"
#include "sim/updater/writtenimage.h"

namespace sim::upd
{

// The device in CH32 IAP mode (093A:C799, usage page FF01): erase, write and verify 59-byte chunks
// at 16-bit offsets, finish. Its flash is the slot's persistent region "iap-flash" (64 KiB);
// writing programs bits from 1 to 0 only, so a chunk written without an erase is refused. Its
// finish starts the new firmware only when, after an erase, a whole CH32 image was written from
// offset 0 and every chunk verified.
class Ch32Device : public UpdaterModeDevice
{
public:
    explicit Ch32Device(SetupPtr setup);

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    int getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len) override;

private:
    void forgetSession() override;
    uint8_t apply(DeviceHost& host, const iap::Frame& frame);
    void restart(DeviceHost& host);

    // Since the last erase.
    struct Session {
        bool erased = false;
        WrittenImage image{0};
    } session;
    uint8_t status = 1;
    bool silent = false;
    bool garbleAnswer = false;
    bool shortAnswer = false;
    enum class After { Stay, Restart, Vanish } after = After::Stay;
};

} // namespace sim::upd
