#pragma once

#include "sim/backend.h"
#include "sim/faults.h"
#include "sim/personality.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>

namespace sim
{

// Where the device behind an interface path is plugged: the same for all its interfaces and across
// its re-enumerations, as a USB port is; empty for a path that is not the bus's.
std::string portOfPath(const std::string& path);

// The virtual USB bus: plugged devices (slots, each holding a personality), their faults and the
// open handles with their input queues. Implements the HID operations directly; all methods are
// thread-safe. No I/O: a read that has to wait blocks on a condition variable.
//
// Input reports follow hidraw: each open handle has its own bounded queue and gets a copy of
// every report of its interface; with no handle open the interface's endpoint holds one report
// (a newer one replaces it) for the next handle opened. Answers to a transfer are slower than
// the host's close and reopen, so they wait in the endpoint until a handle of the interface is
// opened or read.
class VirtualBus : public HidBackend
{
public:
    explicit VirtualBus(const PersonalityRegistry& kinds = registry());
    ~VirtualBus() override;

    // Control. `name` identifies the device; it defaults to the kind and survives
    // re-enumeration.
    bool plug(const std::string& kind, const std::string& name, std::string& error);
    bool plug(std::unique_ptr<Personality> device, const std::string& name);
    bool unplug(const std::string& name);
    void unplugAll();
    bool setRelease(const std::string& name, uint16_t release);
    std::optional<uint16_t> release(const std::string& name) const;
    bool notify(const std::string& name, const std::array<uint8_t, 4>& bytes);
    bool fault(const std::string& name, const std::vector<std::string>& args, std::string& error);
    std::optional<std::vector<uint8_t>> memory(const std::string& name,
                                               const std::string& region) const;
    std::optional<std::string> command(const std::string& name,
                                       const std::vector<std::string>& args);
    std::vector<std::string> devices() const;
    // Human-readable summary: identity, interfaces and paths, faults, memory regions.
    std::string describe(const std::string& name) const;

    // Plug, unplug and re-enumeration bump the counter and call the listeners (outside the lock).
    uint64_t changeCount() const;
    int addChangeListener(std::function<void()> listener);
    void removeChangeListener(int id);

    std::vector<DeviceEntry> enumerate(uint16_t vid, uint16_t pid) override;
    int open(const std::string& path) override;
    void close(int handle) override;
    int write(int handle, const uint8_t* data, size_t len) override;
    int read(int handle, uint8_t* data, size_t len, int timeoutMs) override;
    int sendFeature(int handle, const uint8_t* data, size_t len) override;
    int getFeature(int handle, uint8_t* data, size_t len) override;

private:
    struct Slot;
    class Host;
    using Report = std::vector<uint8_t>;
    struct HandleRef {
        std::string name;
        uint64_t generation = 0;
        int iface = 0;
        std::deque<Report> queue; // reports delivered to this handle, oldest first
    };
    using Lock = std::unique_lock<std::mutex>;

    Slot* find(const std::string& name) const;
    Slot* resolve(int handle, int& iface) const;
    std::string pathOf(const Slot& s, int iface) const;
    bool visible(const Slot& s, int iface) const;
    // Handles open on the current plug generation of s, interface iface.
    std::vector<HandleRef*> openHandles(const Slot& s, int iface);
    // A report reaches every open handle of the interface, or waits in its endpoint.
    void deliver(Slot& s, int iface, Report report);
    // The report waiting in the endpoint goes to the open handles, if there are any.
    void releaseHeld(Slot& s, int iface);
    void attach(Slot& s, std::unique_ptr<Personality> device);
    void remove(const std::string& name);
    // A re-enumeration the personality asked for takes effect.
    void applyReenumeration(Slot& s);
    // Also counts the transfer towards a pending disconnect or power-loss fault.
    void afterTransfer(Slot& s);
    // The device loses power: it drops off the bus and comes back as its flash implies.
    void powerCycle(Slot& s);
    void markChanged();
    void fireChanges(Lock& lock);
    template <typename Op> int transfer(int handle, Op op);

    const PersonalityRegistry& kinds;
    mutable std::mutex mutex;
    std::condition_variable inputArrived;
    std::vector<std::unique_ptr<Slot>> slots; // in plug order: enumeration order
    std::map<int, HandleRef> handles;
    int nextHandle = 1;
    uint64_t nextGeneration = 1;
    uint64_t changes = 0;
    bool changePending = false;
    std::map<int, std::function<void()>> listeners;
    int nextListener = 1;
};

} // namespace sim
