#pragma once

#include "sim/bus.h"
#include "sim/control.h"
#include "sim/trace.h"

// In-process virtual devices behind the hidapi C functions of sim_hidapi_inproc: a program
// linked against that library talks to this bus, and every hidapi call lands in trace().
namespace sim::inproc
{

VirtualBus& bus();
Trace& trace();
// Unplugs every device and clears the trace.
void reset();
// The textual control commands of quillex-sim, e.g. control({"fault", "mouse", "open"}).
ControlResult control(const std::vector<std::string>& args);

} // namespace sim::inproc

// Descriptor that becomes readable when a virtual device is plugged or unplugged.
extern "C" int quillex_sim_change_fd(void);
// Where the device behind a path is plugged ("sim/<name>"); the length written, or -1.
extern "C" int quillex_sim_port_of(const char* path, char* out, int size);
