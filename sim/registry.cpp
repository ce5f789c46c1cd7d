#include "sim/personality.h"

namespace sim
{

PersonalityRegistry& registry()
{
    static PersonalityRegistry r = [] {
        PersonalityRegistry fresh;
        registerNormalPersonalities(fresh);
        registerUpdaterPersonalities(fresh);
        return fresh;
    }();
    return r;
}

} // namespace sim
