#include "sim/wire.h"

#include <algorithm>
#include <cstdlib>
#include <unistd.h>

namespace sim::wire
{

Writer& Writer::u8(uint8_t v)
{
    buf.push_back(v);
    return *this;
}

Writer& Writer::u16(uint16_t v)
{
    return u8(uint8_t(v)).u8(uint8_t(v >> 8));
}
Writer& Writer::u32(uint32_t v)
{
    return u16(uint16_t(v)).u16(uint16_t(v >> 16));
}

Writer& Writer::bytes(const uint8_t* data, size_t len)
{
    u32(uint32_t(len));
    if (len)
        buf.insert(buf.end(), data, data + len);
    return *this;
}

Writer& Writer::str(const std::string& s)
{
    return bytes(reinterpret_cast<const uint8_t*>(s.data()), s.size());
}

Writer& Writer::entry(const DeviceEntry& e)
{
    str(e.path).u16(e.vid).u16(e.pid).u16(e.release).u16(e.usagePage).u16(e.usage);
    return i32(e.interfaceNumber).str(e.manufacturer).str(e.product).str(e.serial);
}

bool Reader::take(size_t n)
{
    if (!good || buf.size() - pos < n) {
        good = false;
        return false;
    }
    return true;
}

uint8_t Reader::u8()
{
    return take(1) ? buf[pos++] : 0;
}

uint16_t Reader::u16()
{
    if (!take(2))
        return 0;
    const uint16_t v = uint16_t(buf[pos] | (buf[pos + 1] << 8));
    pos += 2;
    return v;
}

uint32_t Reader::u32()
{
    const uint32_t low = u16();
    return low | (uint32_t(u16()) << 16);
}

std::vector<uint8_t> Reader::bytes()
{
    const uint32_t n = u32();
    if (!take(n))
        return {};
    std::vector<uint8_t> out(buf.begin() + long(pos), buf.begin() + long(pos + n));
    pos += n;
    return out;
}

std::string Reader::str()
{
    const std::vector<uint8_t> b = bytes();
    return {b.begin(), b.end()};
}

DeviceEntry Reader::entry()
{
    DeviceEntry e;
    e.path = str();
    e.vid = u16();
    e.pid = u16();
    e.release = u16();
    e.usagePage = u16();
    e.usage = u16();
    e.interfaceNumber = i32();
    e.manufacturer = str();
    e.product = str();
    e.serial = str();
    return e;
}

std::vector<uint8_t> frame(const std::vector<uint8_t>& payload)
{
    const uint32_t n = uint32_t(payload.size());
    std::vector<uint8_t> out(4 + payload.size());
    for (size_t i = 0; i < 4; ++i)
        out[i] = uint8_t(n >> (8 * i));
    std::copy(payload.begin(), payload.end(), out.begin() + 4);
    return out;
}

std::optional<uint32_t> parseLength(const uint8_t header[4])
{
    const uint32_t n =
        header[0] | (header[1] << 8) | (header[2] << 16) | (uint32_t(header[3]) << 24);
    if (n == 0 || n > kMaxRecord)
        return std::nullopt;
    return n;
}

std::string socketPath()
{
    if (const char* env = std::getenv("QUILLEX_SIM_SOCKET"); env && *env)
        return env;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    const std::string dir = runtime && *runtime ? runtime : "/tmp";
    return dir + "/quillex-sim-" + std::to_string(getuid()) + ".sock";
}

} // namespace sim::wire
