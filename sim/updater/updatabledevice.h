#pragma once

#include "sim/normaldevice.h"
#include "sim/updater/updaterframes.h"
#include "sim/updater/updatersetup.h"

namespace sim::upd
{

// A normal-mode mouse or receiver that can be updated: the plain device plus the update-engine
// interface, the enter-boot-loader command (it re-enumerates in the updater mode its setup
// names) and the model query. `do <name> ...` takes the Setup commands.
class UpdatableDevice : public Personality
{
public:
    enum { EngineIface = 3 };

    UpdatableDevice(DeviceKind kind, SetupPtr setup, std::optional<uint16_t> release = {});

    UsbIdentity identity() const override;
    std::vector<InterfaceDesc> interfaces() const override;
    int sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    int getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len) override;
    int output(DeviceHost& host, int iface, const uint8_t* data, size_t len) override;
    bool notify(DeviceHost& host, const std::array<uint8_t, 4>& bytes) override;
    std::optional<std::vector<uint8_t>> memory(const std::string& region) const override;
    std::vector<std::string> regions() const override;
    std::optional<std::string> command(DeviceHost& host,
                                       const std::vector<std::string>& args) override;
    // Power-up runs the image the engine accepted last, if any; a transfer in progress is lost.
    void powerCycle(DeviceHost& host) override;

private:
    void enterUpdaterMode(DeviceHost& host);
    void engineRequest(DeviceHost& host, const es::Request& request);

    NormalDevice device;
    SetupPtr setup;
    std::optional<uint16_t> releaseOverride;
    bool modelAnswerPending = false;

    // The engine interface's transfer in progress.
    struct EngineTransfer {
        bool open = false;
        uint32_t length = 0;
        uint32_t crc = 0;
        std::vector<uint8_t> image;
    } engine;
    uint8_t engineStatus = 0;
    bool engineSilent = false;
    bool engineGarbled = false;
    bool engineShort = false;
    std::optional<uint16_t> restartWith;
    bool engineGone = false;
};

} // namespace sim::upd
