#include "platform/memorytrim.h"

#include <windows.h>

void returnFreeMemoryToSystem()
{
    HeapCompact(GetProcessHeap(), 0);
    // Pages not touched again leave the working set; they come back on demand.
    SetProcessWorkingSetSize(GetCurrentProcess(), SIZE_T(-1), SIZE_T(-1));
}
