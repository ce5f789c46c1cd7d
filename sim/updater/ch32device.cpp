#include "sim/updater/ch32device.h"

#include <algorithm>
#include <cstring>

namespace sim::upd
{

namespace
{

constexpr uint8_t kDone = 0;
constexpr uint8_t kFailed = 1;
// A status byte the protocol does not define.
constexpr uint8_t kUndefinedStatus = 0x7F;

const char* stepName(uint8_t code)
{
    switch (code) {
    case iap::Erase:
        return "erase";
    case iap::Write:
        return "write";
    case iap::Verify:
        return "verify";
    case iap::Finish:
        return "iap-finish";
    default:
        return nullptr;
    }
}

} // namespace

Ch32Device::Ch32Device(SetupPtr setup) : UpdaterModeDevice(std::move(setup)) {}

UsbIdentity Ch32Device::identity() const
{
    return {iap::kVid, iap::kPid, "NORVIK GAMING", "CH32 IAP", "", 0x0001};
}

std::vector<InterfaceDesc> Ch32Device::interfaces() const
{
    if (setup->offBus)
        return {};
    return {{iap::kUsagePage, 0x0001, 0, "iap"}};
}

void Ch32Device::forgetSession()
{
    session = Session();
    status = kFailed;
    silent = false;
    garbleAnswer = false;
    shortAnswer = false;
    after = After::Stay;
}

uint8_t Ch32Device::apply(DeviceHost& host, const iap::Frame& frame)
{
    std::vector<uint8_t>& mem = slotFlash(host, "iap-flash");
    switch (frame.code) {
    case iap::Erase:
        std::fill(mem.begin(), mem.end(), 0xFF);
        setup->application.reset();
        session = Session();
        session.erased = true;
        return kDone;
    case iap::Write: {
        bool programmed = session.erased;
        for (size_t i = 0; i < frame.length; ++i) {
            uint8_t& cell = mem[(frame.offset() + i) % kFlashSize];
            cell &= frame.data[i];
            programmed = programmed && cell == frame.data[i];
        }
        session.image.wrote(frame.offset(), frame.length);
        return programmed ? kDone : kFailed;
    }
    case iap::Verify:
        for (size_t i = 0; i < frame.length; ++i)
            if (mem[(frame.offset() + i) % kFlashSize] != frame.data[i])
                return kFailed;
        session.image.checked(frame.offset(), frame.length);
        return kDone;
    case iap::Finish: {
        after = After::Restart;
        return kDone;
    }
    default:
        return kFailed;
    }
}

void Ch32Device::restart(DeviceHost& host)
{
    const std::vector<uint8_t>& mem = slotFlash(host, "iap-flash");
    const std::vector<uint8_t> image(mem.begin(), mem.begin() + session.image.end());
    host.persistent()["iap-image"] = image;
    const std::optional<uint16_t> version = versionFor(ImageKind::Ch32, image);
    if (session.erased && session.image.wholeAndChecked() && version) {
        restartInNormalMode(host, setup, *version);
    } else {
        session = Session();
        host.reenumerate();
    }
}

int Ch32Device::sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    const std::optional<iap::Frame> frame = iface == 0 ? iap::parse(data, len) : std::nullopt;
    if (!frame)
        return -1;
    const char* step = stepName(frame->code);
    const Fault fault = step ? setup->at(step) : Fault::None;
    status = kFailed;
    switch (fault) {
    case Fault::Disconnect:
        dropOffBus(host, *setup);
        break;
    case Fault::Timeout:
        silent = true;
        break;
    case Fault::Status:
        break;
    case Fault::WrongStatus:
        status = kUndefinedStatus;
        break;
    default:
        garbleAnswer = fault == Fault::Garbage;
        shortAnswer = fault == Fault::Short;
        status = apply(host, *frame);
        if (fault == Fault::NeverBack && after == After::Restart)
            after = After::Vanish;
        break;
    }
    return int(len);
}

int Ch32Device::getFeature(DeviceHost& host, int iface, uint8_t* data, size_t len)
{
    if (iface != 0 || silent || !data || len < iap::kFrameSize || data[0] != iap::kReportId) {
        silent = false;
        return -1;
    }
    iap::Answer answer;
    std::memset(&answer, 0, sizeof answer);
    answer.reportId = iap::kReportId;
    answer.status = status;
    const size_t length =
        setup->deliverFeatureAnswer(data, &answer, sizeof answer, shortAnswer, garbleAnswer);
    if (after == After::Vanish)
        dropOffBus(host, *setup);
    else if (after == After::Restart)
        restart(host);
    after = After::Stay;
    return int(length);
}

} // namespace sim::upd
