#pragma once

#include "sim/backend.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Records exchanged between the hidapi client library and the quillex-sim daemon. On the socket
// each record is a 32-bit little-endian payload length followed by the payload; the payload is
// an opcode byte and the fields below, little-endian, byte strings as 32-bit length + bytes.
namespace sim::wire
{

// Large enough for the trace of the largest firmware update, small enough to refuse nonsense.
constexpr uint32_t kMaxRecord = 16u << 20;

enum Op : uint8_t {
    Enumerate = 1,   // u16 vid, u16 pid -> u32 n, n entries
    Open = 2,        // str path -> i32 handle
    Close = 3,       // i32 handle -> (nothing)
    Write = 4,       // i32 handle, bytes -> i32 result
    Read = 5,        // i32 handle, u32 max, i32 timeout -> i32 result, bytes
    SendFeature = 6, // i32 handle, bytes -> i32 result
    GetFeature = 7,  // i32 handle, bytes (buffer with report number) -> i32 result, bytes
    Control = 8,     // u32 n, n strings -> i32 status, str text
    Subscribe = 9,   // -> the connection turns into a change stream (one byte per change)
};
// A reply repeats the opcode with this bit set; Error carries a message.
constexpr uint8_t kReplyBit = 0x80;
constexpr uint8_t kError = 0xFF;

class Writer
{
public:
    explicit Writer(uint8_t op) { u8(op); }
    Writer& u8(uint8_t v);
    Writer& u16(uint16_t v);
    Writer& u32(uint32_t v);
    Writer& i32(int32_t v) { return u32(uint32_t(v)); }
    Writer& bytes(const uint8_t* data, size_t len);
    Writer& bytes(const std::vector<uint8_t>& v) { return bytes(v.data(), v.size()); }
    Writer& str(const std::string& s);
    Writer& entry(const DeviceEntry& e);
    const std::vector<uint8_t>& payload() const { return buf; }

private:
    std::vector<uint8_t> buf;
};

// Reads fields in order; any read past the end (or a length beyond the record) marks the record
// bad and yields zeros, so callers check ok() once at the end.
class Reader
{
public:
    explicit Reader(const std::vector<uint8_t>& payload) : buf(payload) {}
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    int32_t i32() { return int32_t(u32()); }
    std::vector<uint8_t> bytes();
    std::string str();
    DeviceEntry entry();
    bool ok() const { return good; }
    bool atEnd() const { return pos == buf.size(); }

private:
    bool take(size_t n);
    const std::vector<uint8_t>& buf;
    size_t pos = 0;
    bool good = true;
};

// Length prefix of a record.
std::vector<uint8_t> frame(const std::vector<uint8_t>& payload);
std::optional<uint32_t> parseLength(const uint8_t header[4]);

// $QUILLEX_SIM_SOCKET, else ${XDG_RUNTIME_DIR:-/tmp}/quillex-sim-<uid>.sock.
std::string socketPath();

} // namespace sim::wire
