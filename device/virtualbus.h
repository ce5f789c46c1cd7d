#pragma once

// Whether the hidapi this process runs on is the virtual one from sim/ (it exports the
// quillex_sim_change_fd hook), so no real device can be reached through it.
bool onVirtualBus();
