#include "sim/updater/bootloaderdevice.h"

#include <algorithm>

namespace sim::upd
{

namespace
{

const char* stepName(uint8_t code)
{
    switch (code) {
    case bl::Address:
        return "address";
    case bl::DataBegin:
        return "begin";
    case bl::BlockAddress:
        return "block";
    case bl::Data:
        return "data";
    case bl::DataEnd:
        return "end";
    case bl::BlockCrc:
        return "crc";
    case bl::Finish:
        return "finish";
    default:
        return nullptr;
    }
}

// Persistent marker: the boot loader's own code below 0x6000 was overwritten.
const char* const kBootAreaDamaged = "boot-area-damaged";

// A status byte that is neither "done" nor "refused".
constexpr uint8_t kUndefinedStatus = 0x7F;

} // namespace

BootLoaderDevice::BootLoaderDevice(SetupPtr setup) : UpdaterModeDevice(std::move(setup)) {}

UsbIdentity BootLoaderDevice::identity() const
{
    return {bl::kVid, bl::kPid, "NORVIK GAMING", "Boot Loader", "", 0x0001};
}

std::vector<InterfaceDesc> BootLoaderDevice::interfaces() const
{
    if (setup->offBus)
        return {};
    return {{bl::kUsagePage, 0x0001, 0, "boot"}};
}

void BootLoaderDevice::writeData(DeviceHost& host, const bl::Frame& frame)
{
    std::vector<uint8_t>& mem = slotFlash(host, "flash");
    const size_t n = std::min<size_t>(frame.length, sizeof frame.body);
    session.image.wrote(session.writeAddress, n);
    session.endedAfterData = false;
    for (size_t i = 0; i < n; ++i) {
        if (session.writeAddress < bl::kImageBase)
            host.persistent()[kBootAreaDamaged] = {1};
        mem[session.writeAddress++] = frame.body[i];
    }
}

uint32_t BootLoaderDevice::crcAt(DeviceHost& host, uint16_t address)
{
    const std::vector<uint8_t>& mem = slotFlash(host, "flash");
    std::vector<uint8_t> span(bl::kCrcSpan);
    for (size_t i = 0; i < span.size(); ++i)
        span[i] = mem[(address + i) % kFlashSize];
    return crc32Mpeg2(span.data(), span.size());
}

void BootLoaderDevice::restart(DeviceHost& host)
{
    const std::vector<uint8_t>& mem = slotFlash(host, "flash");
    const std::vector<uint8_t> image(mem.begin() + bl::kImageBase,
                                     mem.begin() + session.image.end());
    const std::optional<uint16_t> version = versionFor(ImageKind::BootLoader, image);
    const bool startable = session.begun && session.endedAfterData &&
                           session.image.wholeAndChecked() &&
                           !host.persistent().count(kBootAreaDamaged);
    if (startable && version) {
        restartInNormalMode(host, setup, *version);
    } else {
        session = Session();
        host.reenumerate();
    }
}

int BootLoaderDevice::output(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    const std::optional<bl::Frame> frame = iface == 0 ? bl::parse(data, len) : std::nullopt;
    if (!frame)
        return -1;
    const char* step = stepName(frame->code);
    if (frame->prefix != bl::kPrefix || !step)
        return int(len); // not a boot-loader command: ignored

    const Fault fault = setup->at(step);
    if (fault == Fault::Disconnect) {
        dropOffBus(host, *setup);
        return int(len);
    }
    const bool refused = fault == Fault::Status || fault == Fault::WrongStatus;
    bl::Frame answer = *frame;
    answer.status = fault == Fault::WrongStatus ? kUndefinedStatus
                    : refused                   ? bl::kRefused
                                                : bl::kOk;
    if (frame->code == bl::Data) {
        // Data frames are not answered; a refused one is simply not written.
        if (!refused)
            writeData(host, *frame);
        return int(len);
    }
    // A refused command is answered as such and has no effect.
    if (refused) {
        host.queueInput(0, bl::encode(answer));
        return int(len);
    }
    switch (frame->code) {
    case bl::DataBegin: {
        std::vector<uint8_t>& mem = slotFlash(host, "flash");
        std::fill(mem.begin() + bl::kImageBase, mem.end(), 0xFF);
        setup->application.reset();
        session = Session();
        session.begun = true;
        break;
    }
    case bl::BlockAddress:
        session.writeAddress = uint16_t(frame->body[0] << 8);
        break;
    case bl::DataEnd:
        session.endedAfterData = true;
        break;
    case bl::BlockCrc: {
        const uint16_t address = uint16_t(frame->body[0] << 8 | frame->body[1]);
        const uint32_t crc = crcAt(host, address);
        bl::putCrc(answer, fault == Fault::Crc ? crc ^ 1u : crc);
        session.image.checked(address, bl::kCrcSpan);
        break;
    }
    case bl::Finish:
        if (fault == Fault::NeverBack)
            dropOffBus(host, *setup);
        else
            restart(host);
        break;
    default:
        break;
    }
    if (fault == Fault::Timeout)
        return int(len);
    std::vector<uint8_t> report = bl::encode(answer);
    if (fault == Fault::Garbage)
        setup->garble(report.data(), report.size());
    if (fault == Fault::Short)
        report.resize(1);
    host.queueInput(0, std::move(report));
    return int(len);
}

} // namespace sim::upd
