#pragma once

#include "sim/backend.h"
#include "sim/control.h"
#include "sim/wire.h"

#include <optional>

namespace sim
{

// One connection to the quillex-sim daemon, opened on first use. Not thread-safe: use one per
// thread.
class DaemonConnection
{
public:
    explicit DaemonConnection(std::string socketPath = wire::socketPath());
    ~DaemonConnection();
    DaemonConnection(const DaemonConnection&) = delete;
    DaemonConnection& operator=(const DaemonConnection&) = delete;

    // Sends a request and returns the reply payload, or nothing when the daemon is unreachable
    // or answered with something else than this request's reply. A broken connection is
    // dropped; the next call connects again.
    std::optional<std::vector<uint8_t>> call(const std::vector<uint8_t>& request);

private:
    std::string path;
    int fd = -1;
};

// The HID operations forwarded to the daemon, each thread over its own connection. Handles are
// the daemon's; it closes them when the connection that opened them goes away.
class ClientBackend : public HidBackend
{
public:
    std::vector<DeviceEntry> enumerate(uint16_t vid, uint16_t pid) override;
    int open(const std::string& path) override;
    void close(int handle) override;
    int write(int handle, const uint8_t* data, size_t len) override;
    int read(int handle, uint8_t* data, size_t len, int timeoutMs) override;
    int sendFeature(int handle, const uint8_t* data, size_t len) override;
    int getFeature(int handle, uint8_t* data, size_t len) override;
};

// Runs a control command in the daemon; status 3 when no daemon answers.
ControlResult controlDaemon(const std::vector<std::string>& args,
                            const std::string& socketPath = wire::socketPath());

} // namespace sim
