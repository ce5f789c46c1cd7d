#include "sim/tracingbackend.h"

#include <cstdio>

namespace sim
{

std::string TracingBackend::pathOf(int handle)
{
    std::lock_guard<std::mutex> guard(lock);
    auto it = paths.find(handle);
    return it == paths.end() ? "handle#" + std::to_string(handle) : it->second;
}

void TracingBackend::record(const char* op, std::string path, const uint8_t* data, size_t len,
                            int result, int timeoutMs)
{
    TraceEntry e;
    e.op = op;
    e.path = std::move(path);
    if (data && len)
        e.bytes.assign(data, data + len);
    e.result = result;
    e.timeoutMs = timeoutMs;
    trace.add(std::move(e));
}

std::vector<DeviceEntry> TracingBackend::enumerate(uint16_t vid, uint16_t pid)
{
    std::vector<DeviceEntry> found = inner.enumerate(vid, pid);
    char ids[16];
    std::snprintf(ids, sizeof ids, "%04X:%04X", vid, pid);
    record("enumerate", ids, nullptr, 0, int(found.size()));
    return found;
}

int TracingBackend::open(const std::string& path)
{
    const int handle = inner.open(path);
    if (handle > 0) {
        std::lock_guard<std::mutex> guard(lock);
        paths[handle] = path;
    }
    record("open", path, nullptr, 0, handle > 0 ? 0 : -1);
    return handle;
}

void TracingBackend::close(int handle)
{
    const std::string path = pathOf(handle);
    inner.close(handle);
    {
        std::lock_guard<std::mutex> guard(lock);
        paths.erase(handle);
    }
    record("close", path, nullptr, 0, 0);
}

int TracingBackend::write(int handle, const uint8_t* data, size_t len)
{
    const int result = inner.write(handle, data, len);
    record("write", pathOf(handle), data, len, result);
    return result;
}

int TracingBackend::read(int handle, uint8_t* data, size_t len, int timeoutMs)
{
    const int result = inner.read(handle, data, len, timeoutMs);
    record("read", pathOf(handle), data, result > 0 ? size_t(result) : 0, result, timeoutMs);
    return result;
}

int TracingBackend::sendFeature(int handle, const uint8_t* data, size_t len)
{
    const int result = inner.sendFeature(handle, data, len);
    record("send-feature", pathOf(handle), data, len, result);
    return result;
}

int TracingBackend::getFeature(int handle, uint8_t* data, size_t len)
{
    const int result = inner.getFeature(handle, data, len);
    record("get-feature", pathOf(handle), data, result > 0 ? size_t(result) : 0, result);
    return result;
}

} // namespace sim
