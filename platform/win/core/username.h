#pragma once

#include <string>

namespace wincore
{

// The logged-on user's name (GetUserNameW); empty when Windows cannot tell it, so the caller
// falls back to something else that tells users apart.
std::wstring currentUserName();

} // namespace wincore
