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

} // namespace

BootLoaderDevice::BootLoaderDevice(SetupPtr setup) : UpdaterModeDevice(std::move(setup)) {}

UsbIdentity BootLoaderDevice::identity() const
{
    return {bl::kVid, bl::kPid, "NORVIK GAMING", "Boot Loader", "", 0x0001};
}

std::vector<InterfaceDesc> BootLoaderDevice::interfaces() const
{
    return {{bl::kUsagePage, 0x0001, 0, "boot"}};
}

void BootLoaderDevice::writeData(DeviceHost& host, const bl::Frame& frame)
{
    std::vector<uint8_t>& mem = slotFlash(host, "flash");
    const size_t n = std::min<size_t>(frame.length, sizeof frame.body);
    for (size_t i = 0; i < n; ++i)
        mem[writeAddress++] = frame.body[i];
    std::vector<uint8_t>& received = host.persistent()["image"];
    received.insert(received.end(), frame.body, frame.body + n);
}

uint32_t BootLoaderDevice::crcAt(DeviceHost& host, uint16_t address)
{
    const std::vector<uint8_t>& mem = slotFlash(host, "flash");
    std::vector<uint8_t> span(bl::kCrcSpan);
    for (size_t i = 0; i < span.size(); ++i)
        span[i] = mem[(address + i) % kFlashSize];
    return crc32Mpeg2(span.data(), span.size());
}

int BootLoaderDevice::output(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    const std::optional<bl::Frame> frame = iface == 0 ? bl::parse(data, len) : std::nullopt;
    if (!frame)
        return -1;
    const char* step = stepName(frame->code);
    if (frame->prefix != bl::kPrefix && frame->code != bl::DataEnd)
        return int(len); // not a boot-loader command: ignored
    if (!step)
        return int(len);

    const Fault fault = setup->at(step);
    if (fault == Fault::Disconnect) {
        dropOffBus(host);
        return int(len);
    }
    bl::Frame answer = *frame;
    answer.status = fault == Fault::Status ? bl::kRefused : bl::kOk;
    switch (frame->code) {
    case bl::DataBegin:
        slotFlash(host, "flash");
        host.persistent()["image"].clear();
        break;
    case bl::BlockAddress:
        writeAddress = uint16_t(frame->body[0] << 8);
        break;
    case bl::Data:
        // Data frames are not answered; a refused one is simply not written.
        if (fault != Fault::Status)
            writeData(host, *frame);
        return int(len);
    case bl::BlockCrc: {
        const uint32_t crc = crcAt(host, uint16_t(frame->body[0] << 8 | frame->body[1]));
        bl::putCrc(answer, fault == Fault::Crc ? crc ^ 1u : crc);
        break;
    }
    case bl::Finish:
        if (fault == Fault::NeverBack)
            dropOffBus(host);
        else
            restartInNormalMode(
                host, setup,
                versionTag(host.persistent()["image"])
                    .value_or(setup->homeRelease.value_or(kindInfo(setup->home).release)));
        break;
    default:
        break;
    }
    if (fault != Fault::Timeout)
        host.queueInput(0, bl::encode(answer));
    return int(len);
}

} // namespace sim::upd
