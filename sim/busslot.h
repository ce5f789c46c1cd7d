#pragma once

// Internals of VirtualBus shared by its implementation files.
#include "sim/bus.h"

namespace sim
{

// Input reports a handle keeps unread, as hidraw's per-file buffer; a full queue loses the newest.
constexpr size_t kQueueLimit = 64;

// Deterministic pseudo-random bytes for the garbage fault.
void scrambleBytes(uint8_t* data, size_t len, uint32_t& seed);

struct VirtualBus::Slot {
    std::string name;
    std::unique_ptr<Personality> device;
    std::vector<std::unique_ptr<Personality>> parked; // earlier personalities, newest last
    uint16_t release = 0;
    Faults faults;
    uint64_t generation = 0;
    // Per interface: the report waiting in the device's endpoint (at most one).
    std::vector<std::optional<Report>> held;
    std::map<std::string, std::vector<uint8_t>> persistent;
    std::unique_ptr<Personality> nextDevice; // re-enumeration requested during a transfer
    bool restartAsItself = false;            // likewise, as the same personality
    std::optional<uint16_t> homeRelease;
};

// The personality's view of its slot during one call. `answers`: reports sent now are answers
// to a transfer: the answer faults apply to them and they wait in the endpoint.
class VirtualBus::Host : public DeviceHost
{
public:
    Host(VirtualBus& bus, Slot& slot, bool answers) : bus(bus), slot(slot), answers(answers) {}

    void queueInput(int iface, std::vector<uint8_t> report) override
    {
        if (iface < 0 || size_t(iface) >= slot.held.size())
            return;
        if (answers && slot.faults.noAnswer)
            return;
        if (answers && slot.faults.garbage)
            scrambleBytes(report.data(), report.size(), slot.faults.garbageSeed);
        if (answers)
            slot.held[size_t(iface)] = std::move(report);
        else
            bus.deliver(slot, iface, std::move(report));
        queued = true;
    }
    void reenumerateAs(std::unique_ptr<Personality> next) override
    {
        slot.nextDevice = std::move(next);
    }
    void reenumerate() override { slot.restartAsItself = true; }
    void returnHome(uint16_t release) override { slot.homeRelease = release; }
    uint16_t release() const override { return slot.release; }
    std::map<std::string, std::vector<uint8_t>>& persistent() override { return slot.persistent; }

    bool queued = false;

private:
    VirtualBus& bus;
    Slot& slot;
    bool answers;
};

} // namespace sim
