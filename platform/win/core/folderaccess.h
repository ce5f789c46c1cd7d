#pragma once

// Whether the current user may create files in a folder, decided from its access control list as
// Windows itself would decide it, without Qt.

#include <string>
#include <vector>

namespace wincore
{

// The folder's security descriptor (owner, group and DACL) in self-relative form; empty when the
// folder is missing or its security cannot be read.
std::vector<unsigned char> folderSecurity(const std::wstring& path);
// Whether `descriptor` grants the calling thread's user both creating files and creating
// sub-folders.
bool securityAllowsFolderWrite(const std::vector<unsigned char>& descriptor);
// Whether `path` is an existing folder the user may create files and sub-folders in.
bool canWriteFolder(const std::wstring& path);

} // namespace wincore
