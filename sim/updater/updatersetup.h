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
    Status,      // the answer says "refused"
    WrongStatus, // the answer carries a status the protocol does not define; nothing is done
    Garbage,     // the command is carried out, its answer arrives as pseudo-random bytes
    Short,       // the command is carried out, its answer arrives cut to its first byte
    Crc,         // a CRC answer that does not match the flash
    Timeout,     // no answer at all
    Disconnect,  // the device drops off the bus after this transfer
    NeverBack,   // a restart after which the device does not come back
};

struct Setup {
    Mode mode = Mode::BootLoader;
    std::string model = "QX-M8K";
    uint16_t engineChecksum = 0x5A3C;
    std::string configVersion = "C0104";
    DeviceKind home = DeviceKind::Mouse;
    // Release of the normal-mode device that entered an updater mode (none when plugged there).
    std::optional<uint16_t> homeRelease;
    // Release of the firmware the flash holds whole, which starts at power-up; none while the
    // application area is erased or partly written (the device then powers up in updater mode).
    std::optional<uint16_t> application;
    // Off the bus after a disconnect or never-back fault, until power returns.
    bool offBus = false;

    // Replaces an answer by pseudo-random bytes (a Garbage fault).
    void garble(uint8_t* data, size_t len);
    // Copies a feature answer of `size` bytes into `data` as a planned fault shapes it: cut to
    // its report number (short) and/or garbled after it; both flags are spent. Returns the
    // length delivered.
    size_t deliverFeatureAnswer(uint8_t* data, const void* answer, size_t size, bool& cutShort,
                                bool& garbled);

    // Counts one occurrence of `step` and returns the fault planned for it.
    Fault at(const std::string& step);
    // "updater-mode bootloader|ch32", "fault <step> <kind> [n]" (the n-th occurrence from now),
    // "faults clear", "model <text>"; nullopt when the command is not one of these or is
    // malformed (an unknown mode, step or kind, an occurrence that is not a positive number).
    std::optional<std::string> command(const std::vector<std::string>& args);

private:
    struct Planned {
        Fault fault;
        int occurrence;
    };
    std::map<std::string, Planned> planned;
    std::map<std::string, int> seen;
    uint32_t garbageSeed = 0x6A09E667;
};
using SetupPtr = std::shared_ptr<Setup>;

// Base of the updater-mode devices: the flash they write is the slot's (it outlives the mode), the
// Setup commands reach them, a transfer they do not handle is refused, and at power-up they start
// the application the flash holds whole, or come back in their updater mode with nothing of the
// session in progress.
class UpdaterModeDevice : public Personality
{
public:
    explicit UpdaterModeDevice(SetupPtr setup) : setup(std::move(setup)) {}
    std::optional<std::string> command(DeviceHost&, const std::vector<std::string>& args) override
    {
        return setup->command(args);
    }
    void powerCycle(DeviceHost& host) override;

protected:
    // What the device keeps in RAM for the session in progress is lost.
    virtual void forgetSession() = 0;

    // 64 KiB of flash kept in the slot's region `region`, erased (0xFF) when first used.
    static std::vector<uint8_t>& slotFlash(DeviceHost& host, const std::string& region);

    SetupPtr setup;
};

// After the current transfer: the device is gone, shows no interface, until power returns.
void dropOffBus(DeviceHost& host, Setup& setup);
// After the current transfer: back in normal mode with `release` (the firmware just written).
void restartInNormalMode(DeviceHost& host, const SetupPtr& setup, uint16_t release);

} // namespace sim::upd
