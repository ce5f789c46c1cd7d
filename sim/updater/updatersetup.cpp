#include "sim/updater/updatersetup.h"

#include "sim/busslot.h"
#include "sim/updater/updatabledevice.h"

#include <cstdlib>

namespace sim::upd
{

namespace
{

const std::map<std::string, Fault> kFaultNames = {
    {"status", Fault::Status},        {"wrong-status", Fault::WrongStatus},
    {"garbage", Fault::Garbage},      {"crc", Fault::Crc},
    {"timeout", Fault::Timeout},      {"disconnect", Fault::Disconnect},
    {"never-back", Fault::NeverBack},
};

} // namespace

Fault Setup::at(const std::string& step)
{
    const int count = ++seen[step];
    auto it = planned.find(step);
    return it != planned.end() && it->second.occurrence == count ? it->second.fault : Fault::None;
}

std::optional<std::string> Setup::command(const std::vector<std::string>& args)
{
    if (args.size() == 2 && args[0] == "updater-mode") {
        if (args[1] != "bootloader" && args[1] != "ch32")
            return "updater-mode: bootloader or ch32\n";
        mode = args[1] == "ch32" ? Mode::Ch32 : Mode::BootLoader;
        return std::string();
    }
    if (args.size() == 2 && args[0] == "faults" && args[1] == "clear") {
        planned.clear();
        seen.clear();
        return std::string();
    }
    if (args.size() == 2 && args[0] == "model") {
        model = args[1];
        return std::string();
    }
    if ((args.size() == 3 || args.size() == 4) && args[0] == "fault") {
        auto kind = kFaultNames.find(args[2]);
        const int occurrence = args.size() == 4 ? std::atoi(args[3].c_str()) : 1;
        if (kind == kFaultNames.end() || occurrence < 1)
            return "fault <step> status|wrong-status|garbage|crc|timeout|disconnect|never-back "
                   "[occurrence]\n";
        planned[args[1]] = {kind->second, occurrence};
        seen[args[1]] = 0; // occurrences count from now
        return std::string();
    }
    return std::nullopt;
}

void Setup::garble(uint8_t* data, size_t len)
{
    scrambleBytes(data, len, garbageSeed);
}

void UpdaterModeDevice::powerCycle(DeviceHost& host)
{
    setup->offBus = false;
    forgetSession();
    if (setup->application)
        restartInNormalMode(host, setup, *setup->application);
    else
        host.reenumerate();
}

std::vector<uint8_t>& UpdaterModeDevice::slotFlash(DeviceHost& host, const std::string& region)
{
    std::vector<uint8_t>& bytes = host.persistent()[region];
    if (bytes.size() != kFlashSize)
        bytes.assign(kFlashSize, 0xFF);
    return bytes;
}

void dropOffBus(DeviceHost& host, Setup& setup)
{
    setup.offBus = true;
    host.reenumerate();
}

void restartInNormalMode(DeviceHost& host, const SetupPtr& setup, uint16_t release)
{
    setup->application = release;
    if (setup->homeRelease)
        host.returnHome(release);
    else
        host.reenumerateAs(std::make_unique<UpdatableDevice>(setup->home, setup, release));
}

} // namespace sim::upd
