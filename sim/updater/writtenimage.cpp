#include "sim/updater/writtenimage.h"

#include "sim/updater/updatersetup.h"

namespace sim::upd
{

WrittenImage::WrittenImage(uint32_t base)
    : base(base), written(kFlashSize, false), confirmed(kFlashSize, false)
{
}

void WrittenImage::wrote(uint32_t address, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const size_t at = (address + i) % kFlashSize;
        written[at] = true;
        confirmed[at] = false;
    }
}

void WrittenImage::checked(uint32_t address, size_t n)
{
    for (size_t i = 0; i < n; ++i) {
        const size_t at = (address + i) % kFlashSize;
        confirmed[at] = written[at];
    }
}

uint32_t WrittenImage::end() const
{
    uint32_t at = base;
    while (at < kFlashSize && written[at])
        ++at;
    return at;
}

bool WrittenImage::wholeAndChecked() const
{
    const uint32_t runEnd = end();
    if (runEnd == base)
        return false;
    for (size_t at = 0; at < kFlashSize; ++at) {
        const bool inRun = at >= base && at < runEnd;
        if (written[at] != inRun || (inRun && !confirmed[at]))
            return false;
    }
    return true;
}

} // namespace sim::upd
