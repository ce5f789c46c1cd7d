#pragma once

#include "sim/devicestate.h"
#include "sim/personality.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Settings and planned faults of one updatable device, shared by its normal-mode personality and
// the updater-mode personalities it turns into, so they survive re-enumeration.
namespace sim::upd
{

enum class Mode { BootLoader, Ch32 };

// Both updater modes address 64 KiB of flash.
constexpr size_t kFlashSize = 0x10000;

enum class Fault {
    None,
    Status,     // the answer says "refused"
    Crc,        // a CRC answer that does not match the flash
    Timeout,    // no answer at all
    Disconnect, // the device drops off the bus after this transfer
    NeverBack,  // a restart after which the device does not come back
};

struct Setup {
    Mode mode = Mode::BootLoader;
    std::string model = "QX-M8K";
    uint16_t engineChecksum = 0x5A3C;
    std::string configVersion = "C0104";
    DeviceKind home = DeviceKind::Mouse;
    // Release of the normal-mode device that entered an updater mode (none when plugged there).
    std::optional<uint16_t> homeRelease;

    // Counts one occurrence of `step` and returns the fault planned for it.
    Fault at(const std::string& step);
    // "updater-mode bootloader|ch32", "fault <step> <kind> [n]" (the n-th occurrence from now),
    // "faults clear", "model <text>"; nullopt when the command is not one of these.
    std::optional<std::string> command(const std::vector<std::string>& args);

private:
    struct Planned {
        Fault fault;
        int occurrence;
    };
    std::map<std::string, Planned> planned;
    std::map<std::string, int> seen;
};
using SetupPtr = std::shared_ptr<Setup>;

// A device that has dropped off the bus: it shows no interface and takes no transfer.
class GoneDevice : public Personality
{
public:
    UsbIdentity identity() const override { return {}; }
    std::vector<InterfaceDesc> interfaces() const override { return {}; }
};

// Base of the updater-mode devices: the flash they write is the slot's (it outlives the mode), the
// Setup commands reach them, and a transfer they do not handle is refused.
class UpdaterModeDevice : public Personality
{
public:
    explicit UpdaterModeDevice(SetupPtr setup) : setup(std::move(setup)) {}
    std::optional<std::string> command(DeviceHost&, const std::vector<std::string>& args) override
    {
        return setup->command(args);
    }

protected:
    // 64 KiB of flash kept in the slot's region `region`, erased (0xFF) when first used.
    static std::vector<uint8_t>& slotFlash(DeviceHost& host, const std::string& region);

    SetupPtr setup;
};

// After the current transfer: the device is gone for good.
void dropOffBus(DeviceHost& host);
// After the current transfer: back in normal mode with `release` (the firmware just written).
void restartInNormalMode(DeviceHost& host, const SetupPtr& setup, uint16_t release);

} // namespace sim::upd
