#pragma once

#include "sim/backend.h"
#include "sim/trace.h"

#include <map>
#include <mutex>

namespace sim
{

// Records every call made through it into a Trace, then forwards it unchanged. Knows nothing
// about the device behind the backend, so it can wrap a real hidapi just as well.
class TracingBackend : public HidBackend
{
public:
    TracingBackend(HidBackend& inner, Trace& trace) : inner(inner), trace(trace) {}

    std::vector<DeviceEntry> enumerate(uint16_t vid, uint16_t pid) override;
    int open(const std::string& path) override;
    void close(int handle) override;
    int write(int handle, const uint8_t* data, size_t len) override;
    int read(int handle, uint8_t* data, size_t len, int timeoutMs) override;
    int sendFeature(int handle, const uint8_t* data, size_t len) override;
    int getFeature(int handle, uint8_t* data, size_t len) override;

private:
    std::string pathOf(int handle);
    void record(const char* op, std::string path, const uint8_t* data, size_t len, int result,
                int timeoutMs = 0);

    HidBackend& inner;
    Trace& trace;
    std::mutex lock;
    std::map<int, std::string> paths;
};

} // namespace sim
