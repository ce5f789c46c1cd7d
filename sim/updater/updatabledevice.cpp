#include "sim/updater/updatabledevice.h"

#include "sim/updater/bootloaderdevice.h"
#include "sim/updater/ch32device.h"

#include <algorithm>
#include <cstring>

namespace sim::upd
{

namespace
{

const char* engineStep(uint8_t code)
{
    switch (code) {
    case es::Version:
        return "es-version";
    case es::Begin:
        return "es-begin";
    case es::Data:
        return "es-data";
    default:
        return "es-end";
    }
}

// A status byte the engine protocol does not define.
constexpr uint8_t kUndefinedStatus = 0x7F;

} // namespace

UpdatableDevice::UpdatableDevice(DeviceKind kind, SetupPtr setup, std::optional<uint16_t> release)
    : device(kind), setup(std::move(setup)), releaseOverride(release)
{
}

UsbIdentity UpdatableDevice::identity() const
{
    UsbIdentity id = device.identity();
    if (releaseOverride)
        id.release = *releaseOverride;
    return id;
}

std::vector<InterfaceDesc> UpdatableDevice::interfaces() const
{
    if (setup->offBus)
        return {};
    std::vector<InterfaceDesc> ifaces = device.interfaces();
    ifaces.push_back({es::kUsagePage, 0x0001, EngineIface, "engine"});
    return ifaces;
}

int UpdatableDevice::sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    if (iface == EngineIface) {
        const std::optional<es::Request> request = es::parse(data, len);
        if (!request)
            return -1;
        engineStatus = 1;
        switch (setup->at(engineStep(request->code))) {
        case Fault::Disconnect:
            dropOffBus(host, *setup);
            break;
        case Fault::Timeout:
            engineSilent = true;
            break;
        case Fault::Status:
            break;
        case Fault::WrongStatus:
            engineStatus = kUndefinedStatus;
            break;
        case Fault::Garbage:
            engineGarbled = true;
            engineRequest(host, *request);
            break;
        case Fault::Short:
            engineShort = true;
            engineRequest(host, *request);
            break;
        case Fault::NeverBack:
            engineGone = true;
            engineRequest(host, *request);
            break;
        default:
            engineRequest(host, *request);
            break;
        }
        return int(len);
    }
    if (iface == NormalDevice::CommandIface && data && len >= 2 && data[0] == 0) {
        modelAnswerPending = data[1] == kQueryModel;
        if (modelAnswerPending)
            return int(len);
        if (data[1] == kEnterBootLoader) {
            const Fault fault = setup->at("enter");
            if (fault == Fault::Disconnect || fault == Fault::NeverBack)
                dropOffBus(host, *setup);
            else if (fault == Fault::None)
                enterUpdaterMode(host);
            return int(len);
        }
    }
    return device.sendFeature(host, iface, data, len);
}

int UpdatableDevice::getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len)
{
    if (iface == EngineIface) {
        if (engineSilent || !data || len < es::kFrameSize || data[0] != es::kReportId) {
            engineSilent = false;
            return -1;
        }
        es::Answer a;
        std::memset(&a, 0, sizeof a);
        a.reportId = es::kReportId;
        a.status = engineStatus;
        a.versionLo = uint8_t(host.release());
        a.versionHi = uint8_t(host.release() >> 8);
        a.checksumLo = uint8_t(setup->engineChecksum);
        a.checksumHi = uint8_t(setup->engineChecksum >> 8);
        std::memcpy(a.configVersion, setup->configVersion.c_str(),
                    std::min(sizeof a.configVersion, setup->configVersion.size()));
        const size_t length =
            setup->deliverFeatureAnswer(data, &a, sizeof a, engineShort, engineGarbled);
        if (engineGone)
            dropOffBus(host, *setup);
        else if (restartWith)
            host.reenumerateAs(
                std::make_unique<UpdatableDevice>(device.kind(), setup, restartWith));
        restartWith.reset();
        return int(length);
    }
    if (iface == NormalDevice::CommandIface && modelAnswerPending && data && len >= 9 &&
        data[0] == 0) {
        modelAnswerPending = false;
        std::memset(data, 0, 9);
        data[1] = kQueryModel;
        std::memcpy(data + 2, setup->model.c_str(), std::min<size_t>(7, setup->model.size()));
        return 9;
    }
    return device.getFeature(host, iface, data, len);
}

int UpdatableDevice::output(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    return device.output(host, iface, data, len);
}

bool UpdatableDevice::notify(DeviceHost& host, const std::array<uint8_t, 4>& bytes)
{
    return device.notify(host, bytes);
}

std::optional<std::vector<uint8_t>> UpdatableDevice::memory(const std::string& region) const
{
    return device.memory(region);
}

std::vector<std::string> UpdatableDevice::regions() const
{
    return device.regions();
}

std::optional<std::string> UpdatableDevice::command(DeviceHost& host,
                                                    const std::vector<std::string>& args)
{
    if (auto reply = setup->command(args))
        return reply;
    return device.command(host, args);
}

void UpdatableDevice::powerCycle(DeviceHost& host)
{
    setup->offBus = false;
    modelAnswerPending = false;
    engine = EngineTransfer();
    engineStatus = 0;
    engineSilent = false;
    engineGarbled = false;
    engineShort = false;
    engineGone = false;
    restartWith.reset();
    releaseOverride = setup->application.value_or(host.release());
    device.powerCycle(host);
}

void UpdatableDevice::enterUpdaterMode(DeviceHost& host)
{
    setup->home = device.kind();
    setup->homeRelease = host.release();
    setup->application = host.release();
    if (setup->mode == Mode::Ch32)
        host.reenumerateAs(std::make_unique<Ch32Device>(setup));
    else
        host.reenumerateAs(std::make_unique<BootLoaderDevice>(setup));
}

void UpdatableDevice::engineRequest(DeviceHost& host, const es::Request& request)
{
    engineStatus = 0;
    switch (request.code) {
    case es::Begin:
        engine = EngineTransfer{true, request.value, request.crc, {}};
        break;
    case es::Data:
        if (!engine.open || request.value != engine.image.size() ||
            engine.image.size() + request.data.size() > engine.length) {
            engineStatus = 1;
            break;
        }
        engine.image.insert(engine.image.end(), request.data.begin(), request.data.end());
        break;
    case es::End: {
        const std::optional<uint16_t> version = versionFor(ImageKind::Engine, engine.image);
        if (!engine.open || engine.image.size() != engine.length ||
            crc32Mpeg2(engine.image.data(), engine.image.size()) != engine.crc || !version) {
            engineStatus = 1;
        } else {
            host.persistent()["engine-image"] = engine.image;
            setup->application = version;
            restartWith = version;
        }
        engine.open = false;
        break;
    }
    default:
        break;
    }
}

} // namespace sim::upd
