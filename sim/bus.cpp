#include "sim/bus.h"

#include "sim/trace.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <deque>

namespace sim
{

namespace
{
constexpr size_t kQueueLimit = 64; // input reports kept per interface; older ones are dropped

void scramble(uint8_t* data, size_t len, uint32_t& seed)
{
    for (size_t i = 0; i < len; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        data[i] = uint8_t(seed);
    }
}

std::string hexDump(const std::vector<uint8_t>& bytes)
{
    std::string out;
    for (size_t row = 0; row < bytes.size(); row += 16) {
        char addr[32];
        std::snprintf(addr, sizeof addr, "    %3zu: ", row);
        out += addr + hexBytes(bytes.data() + row, std::min<size_t>(16, bytes.size() - row)) + '\n';
    }
    return out;
}
} // namespace

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
            scramble(report.data(), report.size(), slot.faults.garbageSeed);
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

VirtualBus::VirtualBus(const PersonalityRegistry& kinds) : kinds(kinds) {}
VirtualBus::~VirtualBus() = default;

VirtualBus::Slot* VirtualBus::find(const std::string& name) const
{
    for (const auto& s : slots)
        if (s->name == name)
            return s.get();
    return nullptr;
}

VirtualBus::Slot* VirtualBus::resolve(int handle, int& iface) const
{
    auto it = handles.find(handle);
    if (it == handles.end())
        return nullptr;
    Slot* s = find(it->second.name);
    if (!s || s->generation != it->second.generation || !visible(*s, it->second.iface))
        return nullptr;
    iface = it->second.iface;
    return s;
}

bool VirtualBus::visible(const Slot& s, int iface) const
{
    const auto ifaces = s.device->interfaces();
    return iface >= 0 && size_t(iface) < ifaces.size() &&
           !s.faults.hidden.count(ifaces[size_t(iface)].label);
}

std::string VirtualBus::pathOf(const Slot& s, int iface) const
{
    return "sim/" + s.name + "/" + std::to_string(s.generation) + "/" +
           s.device->interfaces()[size_t(iface)].label;
}

void VirtualBus::attach(Slot& s, std::unique_ptr<Personality> device)
{
    s.device = std::move(device);
    s.release = s.device->identity().release;
    s.generation = nextGeneration++;
    s.queues.assign(s.device->interfaces().size(), {});
    markChanged();
}

void VirtualBus::remove(const std::string& name)
{
    auto it =
        std::find_if(slots.begin(), slots.end(), [&](const auto& s) { return s->name == name; });
    if (it == slots.end())
        return;
    slots.erase(it);
    markChanged();
    inputArrived.notify_all(); // waiting reads see the device gone
}

void VirtualBus::markChanged()
{
    ++changes;
    changePending = true;
}

void VirtualBus::fireChanges(Lock& lock)
{
    if (!changePending)
        return;
    changePending = false;
    std::vector<std::function<void()>> calls;
    for (const auto& l : listeners)
        calls.push_back(l.second);
    lock.unlock();
    for (const auto& call : calls)
        call();
}

void VirtualBus::afterTransfer(Slot& s)
{
    if (s.nextDevice) {
        s.parked.push_back(std::move(s.device));
        attach(s, std::move(s.nextDevice));
    } else if (s.homeRelease && !s.parked.empty()) {
        attach(s, std::move(s.parked.back()));
        s.parked.pop_back();
        s.release = *s.homeRelease;
    }
    s.homeRelease.reset();
    if (s.faults.disconnectAfter > 0 && --s.faults.disconnectAfter == 0)
        remove(s.name);
}

bool VirtualBus::plug(const std::string& kind, const std::string& name, std::string& error)
{
    std::unique_ptr<Personality> device = kinds.make(kind);
    if (!device) {
        error = "unknown device kind: " + kind;
        return false;
    }
    if (!plug(std::move(device), name.empty() ? kind : name)) {
        error = "already plugged: " + (name.empty() ? kind : name);
        return false;
    }
    return true;
}

bool VirtualBus::plug(std::unique_ptr<Personality> device, const std::string& name)
{
    Lock lock(mutex);
    if (!device || name.empty() || find(name))
        return false;
    auto slot = std::make_unique<Slot>();
    slot->name = name;
    attach(*slot, std::move(device));
    slots.push_back(std::move(slot));
    fireChanges(lock);
    return true;
}

bool VirtualBus::unplug(const std::string& name)
{
    Lock lock(mutex);
    const bool found = find(name) != nullptr;
    remove(name);
    fireChanges(lock);
    return found;
}

void VirtualBus::unplugAll()
{
    Lock lock(mutex);
    while (!slots.empty())
        remove(slots.front()->name);
    handles.clear();
    fireChanges(lock);
}

bool VirtualBus::setRelease(const std::string& name, uint16_t release)
{
    Lock lock(mutex);
    Slot* s = find(name);
    if (s)
        s->release = release;
    return s != nullptr;
}

std::optional<uint16_t> VirtualBus::release(const std::string& name) const
{
    Lock lock(mutex);
    const Slot* s = find(name);
    return s ? std::optional<uint16_t>(s->release) : std::nullopt;
}

bool VirtualBus::notify(const std::string& name, const std::array<uint8_t, 4>& bytes)
{
    Lock lock(mutex);
    Slot* s = find(name);
    if (!s)
        return false;
    Host host(*s, false);
    const bool sent = s->device->notify(host, bytes);
    if (host.queued)
        inputArrived.notify_all();
    return sent;
}

bool VirtualBus::fault(const std::string& name, const std::vector<std::string>& args,
                       std::string& error)
{
    Lock lock(mutex);
    Slot* s = find(name);
    if (!s) {
        error = "no such device: " + name;
        return false;
    }
    const auto hiddenBefore = s->faults.hidden;
    if (!applyFault(s->faults, args, error))
        return false;
    if (s->faults.hidden != hiddenBefore)
        markChanged(); // an interface came or went
    if (s->faults.disconnectAfter == 0)
        remove(name);
    inputArrived.notify_all(); // waiting reads re-check their device
    fireChanges(lock);
    return true;
}

std::optional<std::vector<uint8_t>> VirtualBus::memory(const std::string& name,
                                                       const std::string& region) const
{
    Lock lock(mutex);
    const Slot* s = find(name);
    if (!s)
        return std::nullopt;
    if (auto bytes = s->device->memory(region))
        return bytes;
    auto kept = s->persistent.find(region);
    return kept == s->persistent.end() ? std::nullopt : std::optional(kept->second);
}

std::optional<std::string> VirtualBus::command(const std::string& name,
                                               const std::vector<std::string>& args)
{
    Lock lock(mutex);
    Slot* s = find(name);
    if (!s)
        return std::nullopt;
    Host host(*s, false);
    std::optional<std::string> reply = s->device->command(host, args);
    if (host.queued)
        inputArrived.notify_all();
    afterTransfer(*s);
    fireChanges(lock);
    return reply;
}

std::vector<std::string> VirtualBus::devices() const
{
    Lock lock(mutex);
    std::vector<std::string> names;
    for (const auto& s : slots)
        names.push_back(s->name);
    return names;
}

std::string VirtualBus::describe(const std::string& name) const
{
    Lock lock(mutex);
    const Slot* s = find(name);
    if (!s)
        return {};
    const UsbIdentity id = s->device->identity();
    char head[128];
    std::snprintf(head, sizeof head, "%s %04X:%04X release %04X (%s)\n", s->name.c_str(), id.vid,
                  id.pid, s->release, id.product.c_str());
    std::string out = head;
    out += "  faults: " + describeFaults(s->faults) + '\n';
    const auto ifaces = s->device->interfaces();
    for (size_t i = 0; i < ifaces.size(); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "  interface %d usage %04X:%04X%s ", ifaces[i].number,
                      ifaces[i].usagePage, ifaces[i].usage, visible(*s, int(i)) ? "" : " (hidden)");
        out += line + pathOf(*s, int(i)) + '\n';
    }
    for (const std::string& region : s->device->regions())
        if (auto bytes = s->device->memory(region))
            out += "  " + region + ":\n" + hexDump(*bytes);
    for (const auto& kept : s->persistent)
        out += "  " + kept.first + " (kept):\n" + hexDump(kept.second);
    return out;
}

uint64_t VirtualBus::changeCount() const
{
    Lock lock(mutex);
    return changes;
}

int VirtualBus::addChangeListener(std::function<void()> listener)
{
    Lock lock(mutex);
    listeners[nextListener] = std::move(listener);
    return nextListener++;
}

void VirtualBus::removeChangeListener(int id)
{
    Lock lock(mutex);
    listeners.erase(id);
}

std::vector<DeviceEntry> VirtualBus::enumerate(uint16_t vid, uint16_t pid)
{
    Lock lock(mutex);
    std::vector<DeviceEntry> out;
    for (const auto& s : slots) {
        const UsbIdentity id = s->device->identity();
        if ((vid && vid != id.vid) || (pid && pid != id.pid))
            continue;
        const auto ifaces = s->device->interfaces();
        for (size_t i = 0; i < ifaces.size(); ++i) {
            if (!visible(*s, int(i)))
                continue;
            out.push_back({pathOf(*s, int(i)), id.vid, id.pid, s->release, ifaces[i].usagePage,
                           ifaces[i].usage, ifaces[i].number, id.manufacturer, id.product,
                           id.serial});
        }
    }
    return out;
}

int VirtualBus::open(const std::string& path)
{
    Lock lock(mutex);
    for (const auto& s : slots) {
        for (size_t i = 0; i < s->device->interfaces().size(); ++i) {
            if (!visible(*s, int(i)) || pathOf(*s, int(i)) != path)
                continue;
            if (s->faults.openFails)
                return -1;
            handles[nextHandle] = {s->name, s->generation, int(i)};
            return nextHandle++;
        }
    }
    return -1;
}

void VirtualBus::close(int handle)
{
    Lock lock(mutex);
    handles.erase(handle);
}

template <typename Op> int VirtualBus::transfer(int handle, Op op)
{
    Lock lock(mutex);
    int iface = 0;
    Slot* s = resolve(handle, iface);
    if (!s)
        return -1;
    Host host(*s, true);
    const int result = op(*s, host, iface);
    if (host.queued)
        inputArrived.notify_all();
    afterTransfer(*s);
    fireChanges(lock);
    return result;
}

int VirtualBus::write(int handle, const uint8_t* data, size_t len)
{
    return transfer(handle, [&](Slot& s, Host& host, int iface) {
        return s.faults.writeFails ? -1 : s.device->output(host, iface, data, len);
    });
}

int VirtualBus::sendFeature(int handle, const uint8_t* data, size_t len)
{
    return transfer(handle, [&](Slot& s, Host& host, int iface) {
        return s.faults.sendFails ? -1 : s.device->sendFeature(host, iface, data, len);
    });
}

int VirtualBus::getFeature(int handle, uint8_t* data, size_t len)
{
    return transfer(handle, [&](Slot& s, Host& host, int iface) {
        if (s.faults.getFails || s.faults.noAnswer)
            return -1;
        const int n = s.device->getFeature(host, iface, data, len);
        if (n > 1 && s.faults.garbage)
            scramble(data + 1, size_t(n) - 1, s.faults.garbageSeed);
        return n;
    });
}

int VirtualBus::read(int handle, uint8_t* data, size_t len, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    Lock lock(mutex);
    for (;;) {
        int iface = 0;
        Slot* s = resolve(handle, iface);
        if (!s || s->faults.readFails)
            return -1;
        auto& queue = s->queues[size_t(iface)];
        const bool expired = timeoutMs == 0 || (s->faults.noAnswer && s->faults.instantTimeout) ||
                             (timeoutMs > 0 && std::chrono::steady_clock::now() >= deadline);
        if (!queue.empty() || expired) {
            int n = 0;
            if (!queue.empty()) {
                const std::vector<uint8_t>& report = queue.front();
                n = int(std::min(len, report.size()));
                std::copy(report.begin(), report.begin() + n, data);
                queue.pop_front();
            }
            afterTransfer(*s);
            fireChanges(lock);
            return n;
        }
        if (timeoutMs < 0)
            inputArrived.wait(lock);
        else
            inputArrived.wait_until(lock, deadline);
    }
}

} // namespace sim
