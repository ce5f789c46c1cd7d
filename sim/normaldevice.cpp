#include "sim/normaldevice.h"

#include <algorithm>

namespace sim
{

std::map<uint8_t, NormalCommandHook>& normalCommandHooks()
{
    static std::map<uint8_t, NormalCommandHook> hooks;
    return hooks;
}

NormalDevice::NormalDevice(DeviceKind kind) : deviceKind(kind), st(defaultState(kind)) {}

UsbIdentity NormalDevice::identity() const
{
    const KindInfo& k = kindInfo(deviceKind);
    return {kVendorId, k.pid, "NORVIK GAMING", k.product, "", k.release};
}

std::vector<InterfaceDesc> NormalDevice::interfaces() const
{
    return {{0x0001, 0x0002, 0, "mouse"},
            {kUsagePageCommand, 0x0001, 1, "cmd"},
            {kUsagePageEvent, 0x0001, 2, "event"}};
}

int NormalDevice::sendFeature(DeviceHost& host, int iface, const uint8_t* data, size_t len)
{
    if (iface != CommandIface)
        return -1;
    const std::optional<CommandFrame> frame = CommandFrame::parse(data, len);
    if (!frame || frame->reportId != 0 || len > 1 + kBlockSize)
        return -1;
    apply(host, *frame);
    return int(len);
}

int NormalDevice::getFeature(DeviceHost&, int iface, uint8_t* data, size_t len)
{
    if (iface != CommandIface || !data || len < 1 || data[0] != 0)
        return -1;
    const auto bytes = featureAnswer.encode();
    const size_t n = std::min(len, bytes.size());
    std::copy(bytes.begin(), bytes.begin() + n, data);
    return int(n);
}

int NormalDevice::output(DeviceHost&, int iface, const uint8_t* data, size_t len)
{
    if (iface != CommandIface || !data || len < 1 || data[0] != 0)
        return -1;
    if (pending.target == DataPhase::None)
        return int(len); // nobody waits for data: the firmware drops it
    const size_t payload = std::min(len - 1, kBlockSize);
    pending.bytes.insert(pending.bytes.end(), data + 1, data + 1 + payload);
    pending.bytes.resize(pending.bytes.size() + (kBlockSize - payload), 0);
    if (--pending.blocksLeft == 0)
        finishDataPhase();
    return int(len);
}

void NormalDevice::finishDataPhase()
{
    pending.bytes.resize(pending.declared);
    if (pending.target == DataPhase::Macro)
        st.macros[st.profile][pending.index] = pending.bytes;
    else if (pending.target == DataPhase::Pairing)
        std::copy(pending.bytes.begin(), pending.bytes.end(), st.pairing.begin());
    pending = DataPhase();
}

void NormalDevice::answer(DeviceHost& host, uint8_t code, const uint8_t* data, size_t available)
{
    AnswerBlock block;
    block.code = code;
    std::copy(data, data + std::min(available, block.data.size()), block.data.begin());
    const auto bytes = block.encode();
    host.queueInput(CommandIface, {bytes.begin(), bytes.end()});
}

void NormalDevice::writeTable(uint8_t* table, size_t size, const TableWrite& w,
                              bool guardFirmwareBytes)
{
    if (w.length < 1 || w.length > w.bytes.size())
        return;
    for (size_t i = 0; i < w.length; ++i) {
        const size_t a = size_t(w.addr) + i;
        if (a >= size)
            break;
        // Battery level and validity marker belong to the firmware.
        if (guardFirmwareBytes && (a == addr::Battery || a == addr::Valid))
            continue;
        table[a] = w.bytes[i];
    }
}

void NormalDevice::apply(DeviceHost& host, const CommandFrame& f)
{
    pending = DataPhase(); // a new command abandons an unfinished upload
    featureAnswer = FeatureAnswer();
    featureAnswer.code = f.code;
    Table1& table1 = st.table1[st.profile];

    switch (f.code) {
    case cmd::ReadTable0:
        answer(host, f.code, st.table0.data(), st.table0.size());
        break;
    case cmd::ReadTable1: {
        const TableRead r = TableRead::from(f);
        const size_t count = std::min<size_t>(r.count, kBlockSize - 1);
        const size_t avail = r.start < table1.size() ? table1.size() - r.start : 0;
        answer(host, f.code, table1.data() + std::min<size_t>(r.start, table1.size()),
               std::min(count, avail));
        break;
    }
    case cmd::ReadPairing:
        answer(host, f.code, st.pairing.data(), st.pairing.size());
        break;
    case cmd::WriteTable0:
        writeTable(st.table0.data(), st.table0.size(), TableWrite::from(f), true);
        break;
    case cmd::WriteTable1:
        writeTable(table1.data(), table1.size(), TableWrite::from(f), false);
        break;
    case cmd::SelectProfile:
        if (modeArgument(f) < kProfiles)
            st.profile = modeArgument(f);
        break;
    case cmd::SettingsAction:
        // Factory reset of the active profile and the user settings of table 0.
        if (actionArgument(f) == kSettingsReset) {
            const Table0 fresh = defaultTable0(deviceKind);
            std::copy(fresh.begin(), fresh.begin() + addr::Battery, st.table0.begin());
            table1 = defaultTable1();
        }
        break;
    case cmd::UploadMacro: {
        const MacroHeader h = MacroHeader::from(f);
        if (h.index >= kMacros || h.length > kMacroMax)
            break;
        if (h.length == 0) {
            st.macros[st.profile][h.index].clear();
        } else {
            pending.target = DataPhase::Macro;
            pending.index = h.index;
            pending.declared = h.length;
            pending.blocksLeft = h.blocks();
        }
        break;
    }
    case cmd::WritePairing:
        pending.target = DataPhase::Pairing;
        pending.declared = kPairingSize;
        pending.blocksLeft = 1;
        break;
    case cmd::PairMode:
        if (modeArgument(f) == kPairStart) {
            st.pairingPhase = PairingPhase::Searching;
            st.pairingPollsLeft = kPairingPolls;
        } else if (modeArgument(f) == kPairStop) {
            st.pairingPhase = PairingPhase::Idle;
        }
        break;
    case cmd::PairStatus:
        if (st.pairingPhase == PairingPhase::Searching && st.pairingPollsLeft-- <= 0)
            st.pairingPhase = PairingPhase::Finished;
        featureAnswer.status = st.pairingPhase == PairingPhase::Finished ? 1 : 0;
        break;
    default: {
        auto hook = normalCommandHooks().find(f.code);
        if (hook != normalCommandHooks().end())
            hook->second(host, *this, f);
        break; // anything else is ignored, as the firmware does
    }
    }
}

bool NormalDevice::notify(DeviceHost& host, const std::array<uint8_t, 4>& b)
{
    // Keep the tables in step with what the device announces.
    switch (b[0]) {
    case event::DpiLevel:
        st.table0[addr::DpiLevel] = b[1];
        break;
    case event::Battery:
        st.table0[addr::Battery] = b[1];
        break;
    case event::Lighting:
        st.table0[addr::LightingColour] = b[2];
        break;
    case event::ReportRate:
        st.table0[addr::ReportRate] = b[2];
        break;
    default:
        break;
    }
    EventReport report;
    report.payload = b;
    const auto bytes = report.encode();
    host.queueInput(EventIface, {bytes.begin(), bytes.end()});
    return true;
}

void NormalDevice::powerCycle(DeviceHost& host)
{
    pending = DataPhase();
    featureAnswer = FeatureAnswer();
    host.reenumerate();
}

std::vector<std::string> NormalDevice::regions() const
{
    // The summary `state` prints; memory() also knows "table1.<profile>".
    std::vector<std::string> out = {"table0", "table1", "profile", "pairing", "pairing-phase"};
    for (size_t p = 0; p < kProfiles; ++p)
        for (size_t m = 0; m < kMacros; ++m)
            if (!st.macros[p][m].empty())
                out.push_back("macro." + std::to_string(p) + "." + std::to_string(m));
    return out;
}

std::optional<std::vector<uint8_t>> NormalDevice::memory(const std::string& region) const
{
    auto bytes = [](const auto& a) { return std::vector<uint8_t>(a.begin(), a.end()); };
    if (region == "table0")
        return bytes(st.table0);
    if (region == "table1")
        return bytes(st.table1[st.profile]);
    if (region == "profile")
        return std::vector<uint8_t>{st.profile};
    if (region == "pairing")
        return bytes(st.pairing);
    if (region == "pairing-phase")
        return std::vector<uint8_t>{uint8_t(st.pairingPhase)};
    for (size_t p = 0; p < kProfiles; ++p) {
        if (region == "table1." + std::to_string(p))
            return bytes(st.table1[p]);
        for (size_t m = 0; m < kMacros; ++m)
            if (region == "macro." + std::to_string(p) + "." + std::to_string(m))
                return st.macros[p][m];
    }
    return std::nullopt;
}

void registerNormalPersonalities(PersonalityRegistry& r)
{
    for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Receiver8K, DeviceKind::Receiver1K})
        r.add(kindInfo(kind).name, [kind] { return std::make_unique<NormalDevice>(kind); });
}

} // namespace sim
