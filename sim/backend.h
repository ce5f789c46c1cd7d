#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace sim
{

// One HID interface as enumeration reports it.
struct DeviceEntry {
    std::string path;
    uint16_t vid = 0;
    uint16_t pid = 0;
    uint16_t release = 0;
    uint16_t usagePage = 0;
    uint16_t usage = 0;
    int interfaceNumber = -1;
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// The HID operations the program uses, with hidapi's result conventions: negative on error,
// read returns 0 on a time-out, feature and output buffers start with the report number.
// Implemented by the virtual bus, by the daemon client and by the trace recorder that wraps
// either; a wrapper around the real hidapi fits the same shape.
class HidBackend
{
public:
    virtual ~HidBackend() = default;
    virtual std::vector<DeviceEntry> enumerate(uint16_t vid, uint16_t pid) = 0;
    // Returns a handle above 0, or -1.
    virtual int open(const std::string& path) = 0;
    virtual void close(int handle) = 0;
    virtual int write(int handle, const uint8_t* data, size_t len) = 0;
    // timeoutMs: -1 waits until a report arrives or the device goes, 0 polls.
    virtual int read(int handle, uint8_t* data, size_t len, int timeoutMs) = 0;
    virtual int sendFeature(int handle, const uint8_t* data, size_t len) = 0;
    virtual int getFeature(int handle, uint8_t* data, size_t len) = 0;
};

} // namespace sim
