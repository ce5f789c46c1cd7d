#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim
{

// One HID interface of a virtual device. label names it in paths ("cmd", "event", ...).
struct InterfaceDesc {
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int number = 0;
    std::string label;
};

// USB identity shown by enumeration. release is the number the device reports when it is
// plugged in or re-enumerates as this personality; the bus lets it be changed afterwards.
struct UsbIdentity {
    uint16_t vid = 0;
    uint16_t pid = 0;
    std::string manufacturer;
    std::string product;
    std::string serial;
    uint16_t release = 0;
};

class Personality;

// What a personality may ask of the bus while it handles a transfer.
class DeviceHost
{
public:
    virtual ~DeviceHost() = default;
    // Sends an input report on interface `iface` (index into interfaces()); hid_read returns
    // exactly these bytes. During a transfer it is an answer: it waits in the device's endpoint
    // until a handle of the interface is opened or read. Otherwise (a notification) it reaches
    // the open handles at once.
    virtual void queueInput(int iface, std::vector<uint8_t> report) = 0;
    // After the current transfer the device drops off the bus and comes back as `next` under the
    // same name; this personality is parked with its state.
    virtual void reenumerateAs(std::unique_ptr<Personality> next) = 0;
    // After the current transfer the device drops off the bus and comes back as itself (new
    // paths), as a restart that ends in the same mode does.
    virtual void reenumerate() = 0;
    // After the current transfer the parked personality comes back with a new release number.
    virtual void returnHome(uint16_t release) = 0;
    virtual uint16_t release() const = 0;
    // Storage that survives re-enumeration (e.g. flash contents written in an updater mode).
    virtual std::map<std::string, std::vector<uint8_t>>& persistent() = 0;
};

// A virtual USB device: its enumeration entries and its reaction to each transfer. Buffers are
// hidapi's: feature and output reports start with the report number. Called with the bus lock
// held, so implementations need no locking of their own; they must never block.
class Personality
{
public:
    virtual ~Personality() = default;
    virtual UsbIdentity identity() const = 0;
    virtual std::vector<InterfaceDesc> interfaces() const = 0;
    // Transfers a device does not handle are refused, as a stalled endpoint would be.
    // Return the bytes accepted (len) or -1 when the interface rejects the report.
    virtual int sendFeature(DeviceHost&, int /*iface*/, const uint8_t*, size_t) { return -1; }
    // data[0] holds the requested report number; return the bytes filled including it, or -1.
    virtual int getFeature(DeviceHost&, int /*iface*/, uint8_t*, size_t) { return -1; }
    virtual int output(DeviceHost&, int /*iface*/, const uint8_t*, size_t) { return -1; }
    // A device-initiated notification; false when this device has none.
    virtual bool notify(DeviceHost&, const std::array<uint8_t, 4>&) { return false; }
    // Named state for inspection ("table0", "flash", ...); nullopt when unknown.
    virtual std::optional<std::vector<uint8_t>> memory(const std::string& /*region*/) const
    {
        return std::nullopt;
    }
    virtual std::vector<std::string> regions() const { return {}; }
    // The device lost power (or was replugged) and comes back as its flash implies; one that
    // keeps nothing in flash comes back as it was.
    virtual void powerCycle(DeviceHost& host) { host.reenumerate(); }
    // Free-form control ("quillex-sim do <dev> ..."); returns text, or nullopt when unknown.
    virtual std::optional<std::string> command(DeviceHost&, const std::vector<std::string>&)
    {
        return std::nullopt;
    }
};

using PersonalityFactory = std::function<std::unique_ptr<Personality>()>;

// Kinds that `plug` understands, by name.
class PersonalityRegistry
{
public:
    void add(const std::string& kind, PersonalityFactory factory) { factories[kind] = factory; }
    std::unique_ptr<Personality> make(const std::string& kind) const
    {
        auto it = factories.find(kind);
        return it == factories.end() ? nullptr : it->second();
    }
    std::vector<std::string> kinds() const
    {
        std::vector<std::string> out;
        for (const auto& f : factories)
            out.push_back(f.first);
        return out;
    }

private:
    std::map<std::string, PersonalityFactory> factories;
};

// The registry with every built-in kind: the normal-mode devices and whatever the updater modes
// add (registerUpdaterPersonalities, sim/updater/).
PersonalityRegistry& registry();
void registerNormalPersonalities(PersonalityRegistry& r);
void registerUpdaterPersonalities(PersonalityRegistry& r);

} // namespace sim
