#pragma once

// The demo (quillex --demo) runs on virtual devices with settings of its own: its data folder is
// always the per-user one of its own name, and its start-up entry starts the demo again.
void setDemoMode(bool on);
bool isDemoMode();
