#include "sim/personality.h"

namespace sim
{

// Updater-mode personalities (boot-loader, CH32 IAP, vendor engine) register here.
void registerUpdaterPersonalities(PersonalityRegistry&) {}

} // namespace sim
