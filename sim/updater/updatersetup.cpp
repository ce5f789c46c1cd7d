#include "sim/updater/updatersetup.h"

#include "sim/busslot.h"
#include "sim/updater/updatabledevice.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <set>

namespace sim::upd
{

namespace
{

const std::map<std::string, Fault> kFaultNames = {
    {"status", Fault::Status},
    {"wrong-status", Fault::WrongStatus},
    {"garbage", Fault::Garbage},
    {"short", Fault::Short},
    {"crc", Fault::Crc},
    {"timeout", Fault::Timeout},
    {"disconnect", Fault::Disconnect},
    {"never-back", Fault::NeverBack},
};

// Every step a fault can be planned at, in any mode of the device.
const std::set<std::string> kSteps = {
    "enter", "address", "begin",  "block",      "data",       "end",      "crc",     "finish",
    "erase", "write",   "verify", "iap-finish", "es-version", "es-begin", "es-data", "es-end",
};

// "[n]": which occurrence, 1 when absent; nothing for anything but a positive number.
std::optional<int> occurrenceOf(const std::vector<std::string>& args)
{
    if (args.size() < 4)
        return 1;
    char* end = nullptr;
    const long n = std::strtol(args[3].c_str(), &end, 10);
    if (!std::isdigit(uint8_t(args[3][0])) || *end || n < 1 || n > INT_MAX)
        return std::nullopt;
    return int(n);
}

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
            return std::nullopt; // refused
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
        const std::optional<int> occurrence = occurrenceOf(args);
        if (!kSteps.count(args[1]) || kind == kFaultNames.end() || !occurrence)
            return std::nullopt; // refused, nothing planned
        planned[args[1]] = {kind->second, *occurrence};
        seen[args[1]] = 0; // occurrences count from now
        return std::string();
    }
    return std::nullopt;
}

void Setup::garble(uint8_t* data, size_t len)
{
    scrambleBytes(data, len, garbageSeed);
}

size_t Setup::deliverFeatureAnswer(uint8_t* data, const void* answer, size_t size, bool& cutShort,
                                   bool& garbled)
{
    const size_t length = cutShort ? 1 : size;
    std::memcpy(data, answer, length);
    if (garbled)
        garble(data + 1, length - 1);
    cutShort = false;
    garbled = false;
    return length;
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
