#pragma once

// The mouse through raw input: relative motion and button transitions of every mouse, also
// while another program has the focus. No Qt here.

#include "app/mousetranslation.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace wincore
{

// One raw mouse record.
struct RawMouseReport {
    // Relative motion; 0 when the record holds an absolute position (tablets, remote desktops).
    int32_t dx = 0;
    int32_t dy = 0;
    // Every button transition and vertical wheel turn of the record, buttons first.
    std::vector<mousetranslation::MouseAction> actions;
};

// Decodes a record as GetRawInputData(RID_INPUT) wrote it: `size` bytes of RAWINPUTHEADER and
// RAWMOUSE. None for anything but a whole mouse record.
std::optional<RawMouseReport> decodeRawMouse(const void* record, std::size_t size);

// Reads the record behind a WM_INPUT message's handle (its lParam) and decodes it.
std::optional<RawMouseReport> readRawMouse(void* rawInputHandle);

// Sends every mouse's raw input to `window` as WM_INPUT, also while the program is in the
// background.
bool registerRawMouse(void* window);

} // namespace wincore
