#pragma once

#include "sim/backend.h"

namespace sim
{

// The backend behind the exported hidapi functions; each library that exports them (in-process
// or daemon client) defines it once.
HidBackend& hidapiBackend();

} // namespace sim
