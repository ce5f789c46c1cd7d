#pragma once

#include "sim/devicestate.h"
#include "sim/frames.h"
#include "sim/personality.h"

#include <functional>
#include <map>

namespace sim
{

class NormalDevice;

// Handler for a command code the normal-mode firmware does not know by itself; the updater
// modes use it for their mode-switch and model-query commands.
using NormalCommandHook = std::function<void(DeviceHost&, NormalDevice&, const CommandFrame&)>;
std::map<uint8_t, NormalCommandHook>& normalCommandHooks();

// The mouse or a receiver in normal mode: a plain mouse interface, the command interface and the
// event interface.
class NormalDevice : public Personality
{
public:
    enum Iface { MouseIface = 0, CommandIface = 1, EventIface = 2 };

    explicit NormalDevice(DeviceKind kind);

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    int getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len) override;
    int output(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    bool notify(DeviceHost& host, const std::array<uint8_t, 4>& bytes) override;
    std::optional<std::vector<uint8_t>> memory(const std::string& region) const override;
    std::vector<std::string> regions() const override;
    // The settings are kept in flash; an upload in progress and the last answer are lost.
    void powerCycle(DeviceHost& host) override;

    DeviceKind kind() const { return deviceKind; }
    DeviceState& state() { return st; }
    // What the next feature-report read returns.
    void setFeatureAnswer(const FeatureAnswer& answer) { featureAnswer = answer; }

private:
    void apply(DeviceHost& host, const CommandFrame& f);
    void answer(DeviceHost& host, uint8_t code, const uint8_t* data, size_t available);
    void writeTable(uint8_t* table, size_t size, const TableWrite& w, bool guardFirmwareBytes);
    void finishDataPhase();

    // An upload waiting for its output reports.
    struct DataPhase {
        enum Target { None, Macro, Pairing } target = None;
        uint8_t index = 0;
        size_t declared = 0;
        size_t blocksLeft = 0;
        std::vector<uint8_t> bytes;
    };

    DeviceKind deviceKind;
    DeviceState st;
    DataPhase pending;
    FeatureAnswer featureAnswer;
};

} // namespace sim
