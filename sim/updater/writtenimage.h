#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sim::upd
{

// What an updater mode has written into its 64 KiB of flash since the session began, and which
// of those bytes the host checked afterwards. A device starts new firmware only from an image
// that is whole (one run of bytes from its base) and checked throughout.
class WrittenImage
{
public:
    explicit WrittenImage(uint32_t base);

    // Addresses wrap around the flash, as the devices' own address counters do.
    void wrote(uint32_t address, size_t n);
    void checked(uint32_t address, size_t n);
    // One past the run of written bytes that starts at the base.
    uint32_t end() const;
    bool wholeAndChecked() const;

private:
    uint32_t base;
    std::vector<bool> written;   // per byte
    std::vector<bool> confirmed; // per byte: checked after its last write
};

} // namespace sim::upd
