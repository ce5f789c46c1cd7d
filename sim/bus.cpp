#include "sim/busslot.h"

#include <algorithm>
#include <chrono>

namespace sim
{

void scrambleBytes(uint8_t* data, size_t len, uint32_t& seed)
{
    for (size_t i = 0; i < len; ++i) {
        seed ^= seed << 13;
        seed ^= seed >> 17;
        seed ^= seed << 5;
        data[i] = uint8_t(seed);
    }
}

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

std::string portOfPath(const std::string& path)
{
    // "sim/<name>/<generation>/<label>": the name is where the device is plugged.
    const size_t nameEnd = path.find('/', 4);
    if (path.compare(0, 4, "sim/") != 0 || nameEnd == std::string::npos || nameEnd == 4)
        return {};
    return path.substr(0, nameEnd);
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
    s.held.assign(s.device->interfaces().size(), std::nullopt);
    markChanged();
}

std::vector<VirtualBus::HandleRef*> VirtualBus::openHandles(const Slot& s, int iface)
{
    std::vector<HandleRef*> out;
    for (auto& h : handles)
        if (h.second.name == s.name && h.second.generation == s.generation &&
            h.second.iface == iface)
            out.push_back(&h.second);
    return out;
}

void VirtualBus::deliver(Slot& s, int iface, Report report)
{
    const std::vector<HandleRef*> readers = openHandles(s, iface);
    if (readers.empty()) {
        s.held[size_t(iface)] = std::move(report);
        return;
    }
    for (HandleRef* h : readers)
        if (h->queue.size() < kQueueLimit)
            h->queue.push_back(report);
}

void VirtualBus::releaseHeld(Slot& s, int iface)
{
    std::optional<Report>& held = s.held[size_t(iface)];
    if (!held || openHandles(s, iface).empty())
        return;
    Report report = std::move(*held);
    held.reset();
    deliver(s, iface, std::move(report));
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

void VirtualBus::applyReenumeration(Slot& s)
{
    if (s.restartAsItself) {
        s.restartAsItself = false;
        std::unique_ptr<Personality> same = std::move(s.device);
        attach(s, std::move(same));
    } else if (s.nextDevice) {
        s.parked.push_back(std::move(s.device));
        attach(s, std::move(s.nextDevice));
    } else if (s.homeRelease && !s.parked.empty()) {
        attach(s, std::move(s.parked.back()));
        s.parked.pop_back();
        s.release = *s.homeRelease;
    }
    s.homeRelease.reset();
}

void VirtualBus::afterTransfer(Slot& s)
{
    applyReenumeration(s);
    if (s.faults.powerLossAfter > 0 && --s.faults.powerLossAfter == 0)
        powerCycle(s);
    if (s.faults.disconnectAfter > 0 && --s.faults.disconnectAfter == 0)
        remove(s.name);
}

void VirtualBus::powerCycle(Slot& s)
{
    s.faults.powerLossAfter = -1;
    Host host(*this, s, false);
    s.device->powerCycle(host);
    applyReenumeration(s);
    inputArrived.notify_all(); // waiting reads see the old paths gone
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
            handles[nextHandle] = {s->name, s->generation, int(i), {}};
            releaseHeld(*s, int(i));
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
    Host host(*this, *s, true);
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
            scrambleBytes(data + 1, size_t(n) - 1, s.faults.garbageSeed);
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
        releaseHeld(*s, iface);
        auto& queue = handles[handle].queue;
        const bool expired = timeoutMs == 0 || (s->faults.noAnswer && s->faults.instantTimeout) ||
                             (timeoutMs > 0 && std::chrono::steady_clock::now() >= deadline);
        if (!queue.empty() || expired) {
            int n = 0;
            if (!queue.empty()) {
                const std::vector<uint8_t>& report = queue.front();
                n = int(std::min(len, report.size()));
                std::copy(report.begin(), report.begin() + n, data);
                queue.pop_front();
                afterTransfer(*s); // a time-out moved nothing: it is no transfer
            }
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
