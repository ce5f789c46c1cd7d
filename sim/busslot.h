#pragma once

// Internals of VirtualBus shared by its implementation files.
#include "sim/bus.h"

#include <deque>

namespace sim
{

constexpr size_t kQueueLimit = 64; // input reports kept per interface; older ones are dropped

// Deterministic pseudo-random bytes for the garbage fault.
void scrambleBytes(uint8_t* data, size_t len, uint32_t& seed);

struct VirtualBus::Slot {
    std::string name;
    std::unique_ptr<Personality> device;
    std::vector<std::unique_ptr<Personality>> parked; // earlier personalities, newest last
    uint16_t release = 0;
    Faults faults;
    uint64_t generation = 0;
    std::vector<std::deque<std::vector<uint8_t>>> queues;
    std::map<std::string, std::vector<uint8_t>> persistent;
    std::unique_ptr<Personality> nextDevice; // re-enumeration requested during a transfer
    std::optional<uint16_t> homeRelease;
};

// The personality's view of its slot during one call. `answers`: reports queued now are answers
// to a transfer, so the answer faults apply to them.
class VirtualBus::Host : public DeviceHost
{
public:
    Host(Slot& slot, bool answers) : slot(slot), answers(answers) {}

    void queueInput(int iface, std::vector<uint8_t> report) override
    {
        if (iface < 0 || size_t(iface) >= slot.queues.size())
            return;
        if (answers && slot.faults.noAnswer)
            return;
        if (answers && slot.faults.garbage)
            scrambleBytes(report.data(), report.size(), slot.faults.garbageSeed);
        auto& q = slot.queues[size_t(iface)];
        if (q.size() >= kQueueLimit)
            q.pop_front();
        q.push_back(std::move(report));
        queued = true;
    }
    void reenumerateAs(std::unique_ptr<Personality> next) override
    {
        slot.nextDevice = std::move(next);
    }
    void returnHome(uint16_t release) override { slot.homeRelease = release; }
    uint16_t release() const override { return slot.release; }
    std::map<std::string, std::vector<uint8_t>>& persistent() override { return slot.persistent; }

    bool queued = false;

private:
    Slot& slot;
    bool answers;
};

} // namespace sim
