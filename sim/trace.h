#pragma once

#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace sim
{

// One recorded HID call. bytes are what went to the device (write, send-feature) or what came
// back (read, get-feature); result is the call's return value.
struct TraceEntry {
    uint64_t seq = 0;
    std::string op; // enumerate, open, close, write, read, send-feature, get-feature
    std::string path;
    std::vector<uint8_t> bytes;
    int result = 0;
    int timeoutMs = 0; // reads only
};

// Thread-safe, bounded log of HID calls.
class Trace
{
public:
    void add(TraceEntry entry);
    std::vector<TraceEntry> snapshot() const;
    void clear();
    std::string format() const;
    static std::string formatEntry(const TraceEntry& e);

private:
    static constexpr size_t kCapacity = 100000;
    mutable std::mutex lock;
    std::deque<TraceEntry> entries;
    uint64_t nextSeq = 1;
};

std::string hexBytes(const uint8_t* data, size_t len);
inline std::string hexBytes(const std::vector<uint8_t>& v)
{
    return hexBytes(v.data(), v.size());
}

} // namespace sim
