#include "device/tableimages.h"

#include "device/frames.h"
#include "device/hid_thread.h"

#include <algorithm>

static const quint8 table1SecondStart = frames::kBlockDataSize;

int tableBattery(const Table0Image& image)
{
    // Each image index is one past its table address: the echo byte comes first.
    const int battery = image[1 + 7];
    const bool filled = image[1 + 8] == 1;
    return filled ? std::min(battery, 100) : -1;
}

bool readTable0(Hid_Thread& link, Table0Image& image)
{
    return link.hid_GetApData(image.data(), true, 0);
}

bool readTable1(Hid_Thread& link, Table1Image& image)
{
    const bool first = link.hid_GetApData(image.data(), false, 0);
    // Both reads run: the second half is still worth showing when the first fails.
    const bool second =
        link.hid_GetApData(image.data() + frames::kBlockSize, false, table1SecondStart);
    return first && second;
}
