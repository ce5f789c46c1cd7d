#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace sim
{

// Misbehaviour injected into one virtual device, whatever its personality.
struct Faults {
    bool openFails = false;
    bool sendFails = false;  // hid_send_feature_report
    bool getFails = false;   // hid_get_feature_report
    bool writeFails = false; // hid_write
    bool readFails = false;  // hid_read
    // The device swallows commands: answer reads time out, feature reads fail.
    bool noAnswer = false;
    // With noAnswer, time-outs return at once instead of after the caller's time-out.
    bool instantTimeout = false;
    // Answers are replaced by pseudo-random bytes of the same length.
    bool garbage = false;
    uint32_t garbageSeed = 0x2545F491;
    // Transfers left before the device drops off the bus; -1 = never.
    long disconnectAfter = -1;
    // Transfers left before the device loses power and comes back as its flash implies; -1 =
    // never.
    long powerLossAfter = -1;
    // Interface labels hidden from enumeration and open ("cmd", "event").
    std::set<std::string> hidden;
};

// Applies "kind [args]" (see sim/README.md); false with a message on unknown input.
bool applyFault(Faults& faults, const std::vector<std::string>& args, std::string& error);
std::string describeFaults(const Faults& faults);

} // namespace sim
