// The hidapi 0.13 C API over sim::hidapiBackend(): the same function set as the system library,
// so programs link or load this in its place unchanged.
#include "sim/bus.h"
#include "sim/hidapi_backend.h"

#include <hidapi.h>

#include <cstring>
#include <string>

struct hid_device_ {
    int handle = -1;
    bool nonblocking = false;
    std::string path;
    std::wstring error;
    hid_device_info* info = nullptr;
};

namespace
{

thread_local std::wstring globalError = L"Success";

wchar_t* wideCopy(const std::string& text)
{
    auto* out = new wchar_t[text.size() + 1];
    for (size_t i = 0; i < text.size(); ++i)
        out[i] = wchar_t(static_cast<unsigned char>(text[i]));
    out[text.size()] = 0;
    return out;
}

hid_device_info* makeInfo(const sim::DeviceEntry& e)
{
    auto* info = new hid_device_info();
    info->path = new char[e.path.size() + 1];
    std::memcpy(info->path, e.path.c_str(), e.path.size() + 1);
    info->vendor_id = e.vid;
    info->product_id = e.pid;
    info->serial_number = wideCopy(e.serial);
    info->release_number = e.release;
    info->manufacturer_string = wideCopy(e.manufacturer);
    info->product_string = wideCopy(e.product);
    info->usage_page = e.usagePage;
    info->usage = e.usage;
    info->interface_number = e.interfaceNumber;
    info->next = nullptr;
    info->bus_type = HID_API_BUS_USB;
    return info;
}

int fail(hid_device* dev, const wchar_t* message)
{
    (dev ? dev->error : globalError) = message;
    return -1;
}

int result(hid_device* dev, int res, const wchar_t* message)
{
    if (res < 0)
        return fail(dev, message);
    dev->error = L"Success";
    return res;
}

hid_device_info* deviceInfo(hid_device* dev)
{
    if (!dev->info)
        for (const sim::DeviceEntry& e : sim::hidapiBackend().enumerate(0, 0))
            if (e.path == dev->path)
                dev->info = makeInfo(e);
    return dev->info;
}

int copyString(hid_device* dev, const wchar_t* text, wchar_t* out, size_t maxlen)
{
    if (!text || !out || maxlen == 0)
        return fail(dev, L"No string");
    std::wcsncpy(out, text, maxlen);
    out[maxlen - 1] = 0;
    return 0;
}

} // namespace

extern "C" {

int hid_init(void)
{
    return 0;
}
int hid_exit(void)
{
    return 0;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id)
{
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const sim::DeviceEntry& e : sim::hidapiBackend().enumerate(vendor_id, product_id)) {
        *tail = makeInfo(e);
        tail = &(*tail)->next;
    }
    globalError = head ? L"Success" : L"No HID devices found in the system.";
    return head;
}

void hid_free_enumeration(hid_device_info* devs)
{
    while (devs) {
        hid_device_info* next = devs->next;
        delete[] devs->path;
        delete[] devs->serial_number;
        delete[] devs->manufacturer_string;
        delete[] devs->product_string;
        delete devs;
        devs = next;
    }
}

hid_device* hid_open_path(const char* path)
{
    if (!path) {
        fail(nullptr, L"No path");
        return nullptr;
    }
    const int handle = sim::hidapiBackend().open(path);
    if (handle <= 0) {
        fail(nullptr, L"Failed to open a device with path");
        return nullptr;
    }
    auto* dev = new hid_device_();
    dev->handle = handle;
    dev->path = path;
    dev->error = L"Success";
    globalError = L"Success";
    return dev;
}

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial)
{
    for (const sim::DeviceEntry& e : sim::hidapiBackend().enumerate(vendor_id, product_id)) {
        hid_device_info* info = makeInfo(e);
        const bool match = !serial || std::wcscmp(serial, info->serial_number) == 0;
        hid_free_enumeration(info);
        if (match)
            return hid_open_path(e.path.c_str());
    }
    fail(nullptr, L"Device with requested VID/PID/(SerialNumber) not found");
    return nullptr;
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length)
{
    if (!dev || !data || length == 0)
        return fail(dev, L"Invalid write");
    return result(dev, sim::hidapiBackend().write(dev->handle, data, length), L"Write failed");
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds)
{
    if (!dev || !data)
        return fail(dev, L"Invalid read");
    return result(dev, sim::hidapiBackend().read(dev->handle, data, length, milliseconds),
                  L"Device disconnected");
}

int hid_read(hid_device* dev, unsigned char* data, size_t length)
{
    if (!dev)
        return fail(dev, L"Invalid read");
    return hid_read_timeout(dev, data, length, dev->nonblocking ? 0 : -1);
}

int hid_set_nonblocking(hid_device* dev, int nonblock)
{
    if (!dev)
        return -1;
    dev->nonblocking = nonblock != 0;
    return 0;
}

int hid_send_feature_report(hid_device* dev, const unsigned char* data, size_t length)
{
    if (!dev || !data || length == 0)
        return fail(dev, L"Invalid feature report");
    return result(dev, sim::hidapiBackend().sendFeature(dev->handle, data, length),
                  L"ioctl (SFEATURE): Broken pipe");
}

int hid_get_feature_report(hid_device* dev, unsigned char* data, size_t length)
{
    if (!dev || !data || length == 0)
        return fail(dev, L"Invalid feature report");
    return result(dev, sim::hidapiBackend().getFeature(dev->handle, data, length),
                  L"ioctl (GFEATURE): Broken pipe");
}

int hid_get_input_report(hid_device* dev, unsigned char*, size_t)
{
    return fail(dev, L"hid_get_input_report is not supported");
}

void hid_close(hid_device* dev)
{
    if (!dev)
        return;
    sim::hidapiBackend().close(dev->handle);
    hid_free_enumeration(dev->info);
    delete dev;
}

int hid_get_manufacturer_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    hid_device_info* info = dev ? deviceInfo(dev) : nullptr;
    return copyString(dev, info ? info->manufacturer_string : nullptr, string, maxlen);
}

int hid_get_product_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    hid_device_info* info = dev ? deviceInfo(dev) : nullptr;
    return copyString(dev, info ? info->product_string : nullptr, string, maxlen);
}

int hid_get_serial_number_string(hid_device* dev, wchar_t* string, size_t maxlen)
{
    hid_device_info* info = dev ? deviceInfo(dev) : nullptr;
    return copyString(dev, info ? info->serial_number : nullptr, string, maxlen);
}

hid_device_info* hid_get_device_info(hid_device* dev)
{
    if (!dev)
        return nullptr;
    hid_device_info* info = deviceInfo(dev);
    if (!info)
        fail(dev, L"Device disconnected");
    return info;
}

int hid_get_indexed_string(hid_device* dev, int, wchar_t*, size_t)
{
    return fail(dev, L"hid_get_indexed_string is not supported");
}

const wchar_t* hid_error(hid_device* dev)
{
    return dev ? dev->error.c_str() : globalError.c_str();
}

const hid_api_version* hid_version(void)
{
    static const hid_api_version version = {HID_API_VERSION_MAJOR, HID_API_VERSION_MINOR,
                                            HID_API_VERSION_PATCH};
    return &version;
}

const char* hid_version_str(void)
{
    return HID_API_VERSION_STR;
}

} // extern "C"

// Extension of the virtual hidapi: the port a path's device is plugged into, as a host would tell
// from where the device hangs in its USB tree. Returns the length written (without the
// terminating zero), or -1 when the path is unknown or out is too small.
extern "C" int quillex_sim_port_of(const char* path, char* out, int size)
{
    const std::string port = path ? sim::portOfPath(path) : std::string();
    if (port.empty() || !out || size <= int(port.size()))
        return -1;
    std::memcpy(out, port.c_str(), port.size() + 1);
    return int(port.size());
}
