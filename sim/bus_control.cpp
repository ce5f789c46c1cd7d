#include "sim/busslot.h"
#include "sim/trace.h"

#include <algorithm>
#include <cstdio>

// The control side of the bus: plugging, faults, notifications and inspection.
namespace sim
{

namespace
{
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

bool VirtualBus::plug(const std::string& kind, const std::string& name, std::string& error)
{
    std::unique_ptr<Personality> device = kinds.make(kind);
    if (!device) {
        error = "unknown device kind: " + kind;
        return false;
    }
    const std::string slotName = name.empty() ? kind : name;
    // The name is the device's place in every path ("sim/<name>/..."): a "/" would blur two
    // devices into one port.
    if (slotName.find('/') != std::string::npos) {
        error = "a device name has no \"/\": " + slotName;
        return false;
    }
    if (!plug(std::move(device), slotName)) {
        error = "already plugged: " + slotName;
        return false;
    }
    return true;
}

bool VirtualBus::plug(std::unique_ptr<Personality> device, const std::string& name)
{
    Lock lock(mutex);
    if (!device || name.empty() || name.find('/') != std::string::npos || find(name))
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
    Host host(*this, *s, false);
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
    if (s->faults.powerLossAfter == 0)
        powerCycle(*s);
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
    Host host(*this, *s, false);
    std::optional<std::string> reply = s->device->command(host, args);
    if (host.queued)
        inputArrived.notify_all();
    applyReenumeration(*s);
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

} // namespace sim
