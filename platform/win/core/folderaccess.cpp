#include "platform/win/core/folderaccess.h"

#include <windows.h>

namespace wincore
{

std::vector<unsigned char> folderSecurity(const std::wstring& path)
{
    const SECURITY_INFORMATION parts =
        OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD size = 0;
    GetFileSecurityW(path.c_str(), parts, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::vector<unsigned char> descriptor(size);
    if (!GetFileSecurityW(path.c_str(), parts, descriptor.data(), size, &size))
        return {};
    return descriptor;
}

// AccessCheck wants an impersonation token: the thread's own when it impersonates, else a copy
// of the process token.
static HANDLE impersonationToken()
{
    HANDLE token = nullptr;
    if (OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token))
        return token;
    HANDLE process = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_QUERY, &process))
        return nullptr;
    if (!DuplicateToken(process, SecurityImpersonation, &token))
        token = nullptr;
    CloseHandle(process);
    return token;
}

bool securityAllowsFolderWrite(const std::vector<unsigned char>& descriptor)
{
    if (descriptor.empty())
        return false;
    const HANDLE token = impersonationToken();
    if (!token)
        return false;
    GENERIC_MAPPING mapping = {FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE,
                               FILE_ALL_ACCESS};
    DWORD wanted = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;
    MapGenericMask(&wanted, &mapping);
    PRIVILEGE_SET privileges = {};
    DWORD privilegesSize = sizeof privileges;
    DWORD granted = 0;
    BOOL allowed = FALSE;
    const BOOL checked = AccessCheck(const_cast<unsigned char*>(descriptor.data()), token, wanted,
                                     &mapping, &privileges, &privilegesSize, &granted, &allowed);
    CloseHandle(token);
    return checked && allowed && (granted & wanted) == wanted;
}

bool canWriteFolder(const std::wstring& path)
{
    // The read-only attribute is not asked: on a folder Windows ignores it for writing (Explorer
    // uses it to mark customised folders), so it must not send the data elsewhere.
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return securityAllowsFolderWrite(folderSecurity(path));
}

} // namespace wincore
