#pragma once

#include "sim/normaldevice.h"

#include <chrono>
#include <mutex>
#include <optional>

// A virtual mouse that behaves exactly like the model, plus what the device-link tests need to
// see or provoke: when each output report arrived, a second command interface, and event
// reports of any length.
class ProbeDevice : public sim::Personality
{
public:
    using Clock = std::chrono::steady_clock;

    explicit ProbeDevice(bool secondCommandInterface = false)
        : inner(sim::DeviceKind::Mouse), twoCommandInterfaces(secondCommandInterface)
    {
    }

    sim::UsbIdentity identity() const override { return inner.identity(); }
    std::vector<sim::InterfaceDesc> interfaces() const override
    {
        auto list = inner.interfaces();
        if (twoCommandInterfaces)
            list.push_back({sim::kUsagePageCommand, 0x0001, 3, "cmd2"});
        return list;
    }
    int sendFeature(sim::DeviceHost& host, int iface, const uint8_t* data, size_t len) override
    {
        return inner.sendFeature(host, mapped(iface), data, len);
    }
    int getFeature(sim::DeviceHost& host, int iface, uint8_t* data, size_t len) override
    {
        return inner.getFeature(host, mapped(iface), data, len);
    }
    int output(sim::DeviceHost& host, int iface, const uint8_t* data, size_t len) override
    {
        {
            std::lock_guard<std::mutex> lock(timesLock);
            times.push_back(Clock::now());
        }
        return inner.output(host, mapped(iface), data, len);
    }
    // With rawEventLength set, a notification queues an event report of that many bytes
    // (report number 0, then the four bytes, then 0x5A fillers) instead of the device's own.
    bool notify(sim::DeviceHost& host, const std::array<uint8_t, 4>& bytes) override
    {
        if (!rawEventLength)
            return inner.notify(host, bytes);
        std::vector<uint8_t> report(*rawEventLength, 0x5A);
        report[0] = 0;
        for (size_t i = 1; i < report.size() && i <= bytes.size(); ++i)
            report[i] = bytes[i - 1];
        host.queueInput(sim::NormalDevice::EventIface, report);
        return true;
    }
    std::optional<std::vector<uint8_t>> memory(const std::string& region) const override
    {
        return inner.memory(region);
    }
    std::vector<std::string> regions() const override { return inner.regions(); }

    std::vector<Clock::time_point> outputTimes()
    {
        std::lock_guard<std::mutex> lock(timesLock);
        return times;
    }

    std::optional<size_t> rawEventLength;

private:
    int mapped(int iface) const
    {
        return iface == 3 ? int(sim::NormalDevice::CommandIface) : iface;
    }

    sim::NormalDevice inner;
    bool twoCommandInterfaces;
    std::mutex timesLock;
    std::vector<Clock::time_point> times;
};
