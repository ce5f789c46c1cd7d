// Whether a folder may be written, decided from its access control list: fresh folders of the
// test's own under the temporary folder, given DACLs the way an administrator or installer would.

#include "check.h"
#include "platform/win/core/folderaccess.h"

#include <aclapi.h>
#include <string>
#include <vector>
#include <windows.h>

using wincore::canWriteFolder;
using wincore::folderSecurity;
using wincore::securityAllowsFolderWrite;

static const DWORD writeRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY;

static bool runsUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

static std::vector<BYTE> currentUserSid()
{
    HANDLE token = nullptr;
    std::vector<BYTE> user(256);
    DWORD size = 0;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return {};
    const BOOL read = GetTokenInformation(token, TokenUser, user.data(), DWORD(user.size()), &size);
    CloseHandle(token);
    if (!read)
        return {};
    const PSID sid = reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid;
    const BYTE* first = static_cast<const BYTE*>(sid);
    return std::vector<BYTE>(first, first + GetLengthSid(sid));
}

static std::vector<BYTE> everyoneSid()
{
    std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
    DWORD size = DWORD(sid.size());
    CreateWellKnownSid(WinWorldSid, nullptr, sid.data(), &size);
    sid.resize(size);
    return sid;
}

struct Ace {
    bool deny;
    DWORD rights;
    std::vector<BYTE> sid;
};

static std::vector<BYTE> buildAcl(const std::vector<Ace>& aces)
{
    std::vector<BYTE> buffer(1024);
    const PACL acl = reinterpret_cast<PACL>(buffer.data());
    if (!InitializeAcl(acl, DWORD(buffer.size()), ACL_REVISION))
        return {};
    for (const Ace& ace : aces) {
        const PSID sid = const_cast<BYTE*>(ace.sid.data());
        if (!(ace.deny ? AddAccessDeniedAce(acl, ACL_REVISION, ace.rights, sid)
                       : AddAccessAllowedAce(acl, ACL_REVISION, ace.rights, sid)))
            return {};
    }
    return buffer;
}

// A folder's security descriptor as Windows stores it: owned by `owner`, with `aces` as its DACL.
static std::vector<unsigned char> descriptorFor(const std::vector<BYTE>& owner,
                                                const std::vector<Ace>& aces)
{
    std::vector<BYTE> acl = buildAcl(aces);
    SECURITY_DESCRIPTOR absolute;
    const PSID sid = const_cast<BYTE*>(owner.data());
    if (acl.empty() || !InitializeSecurityDescriptor(&absolute, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&absolute, sid, FALSE) ||
        !SetSecurityDescriptorGroup(&absolute, sid, FALSE) ||
        !SetSecurityDescriptorDacl(&absolute, TRUE, reinterpret_cast<PACL>(acl.data()), FALSE))
        return {};
    DWORD size = 0;
    MakeSelfRelativeSD(&absolute, nullptr, &size);
    std::vector<unsigned char> relative(size);
    if (!MakeSelfRelativeSD(&absolute, relative.data(), &size))
        return {};
    return relative;
}

// Replaces the folder's DACL by `aces`, in this order and without inherited entries.
static bool setDacl(const std::wstring& folder, const std::vector<Ace>& aces)
{
    std::vector<BYTE> acl = buildAcl(aces);
    return !acl.empty() &&
           SetNamedSecurityInfoW(const_cast<wchar_t*>(folder.c_str()), SE_FILE_OBJECT,
                                 DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                                 nullptr, nullptr, reinterpret_cast<PACL>(acl.data()),
                                 nullptr) == ERROR_SUCCESS;
}

static bool createFileIn(const std::wstring& folder)
{
    const std::wstring path = folder + L"\\probe.txt";
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    DeleteFileW(path.c_str());
    return true;
}

// Whether the folder's DACL, read back through the function the decision uses, starts with
// `expected`.
static bool storedDaclStartsWith(const std::wstring& folder, const Ace& expected)
{
    const std::vector<unsigned char> descriptor = folderSecurity(folder);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    void* first = nullptr;
    if (descriptor.empty() ||
        !GetSecurityDescriptorDacl(const_cast<unsigned char*>(descriptor.data()), &present, &dacl,
                                   &defaulted) ||
        !present || !dacl || !GetAce(dacl, 0, &first))
        return false;
    const auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(first);
    return ace->Header.AceType ==
               (expected.deny ? ACCESS_DENIED_ACE_TYPE : ACCESS_ALLOWED_ACE_TYPE) &&
           ace->Mask == expected.rights &&
           EqualSid(const_cast<DWORD*>(&ace->SidStart), const_cast<BYTE*>(expected.sid.data()));
}

// A folder whose DACL keeps the user from creating files is not writable: decided from the
// descriptor, then for a real folder given that DACL, where Windows also refuses the file.
static void checkDenied(const std::wstring& folder, const std::vector<BYTE>& user,
                        const std::vector<Ace>& aces)
{
    CHECK(!securityAllowsFolderWrite(descriptorFor(user, aces)));
    CHECK(setDacl(folder, aces));
    if (runsUnderWine() && !storedDaclStartsWith(folder, aces.front())) {
        WINE_CANNOT("a folder's DACL as stored: Wine turns it into Unix mode bits and reads back a "
                    "DACL made from them, and its file system refuses no file for a DACL");
        return;
    }
    CHECK(storedDaclStartsWith(folder, aces.front()));
    CHECK(!canWriteFolder(folder));
    CHECK(!createFileIn(folder));
}

int main()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"quillex-folderaccess-" + std::to_wstring(GetCurrentProcessId());
    CHECK(CreateDirectoryW(folder.c_str(), nullptr));
    const std::vector<BYTE> user = currentUserSid();
    const std::vector<BYTE> everyone = everyoneSid();
    CHECK(!user.empty());

    CHECK(canWriteFolder(folder));
    CHECK(createFileIn(folder));

    // Not folders: missing, or a file.
    CHECK(!canWriteFolder(folder + L"\\missing"));
    CHECK(folderSecurity(folder + L"\\missing").empty());
    const std::wstring file = folder + L"\\file.txt";
    CloseHandle(CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    CHECK(!canWriteFolder(file));
    DeleteFileW(file.c_str());

    // Windows ignores the read-only attribute of a folder when files are created in it.
    CHECK(SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_READONLY));
    CHECK(canWriteFolder(folder));
    if (!createFileIn(folder))
        CHECK(!"a file could not be created in a read-only folder");
    CHECK(SetFileAttributesW(folder.c_str(), FILE_ATTRIBUTE_NORMAL));

    // Denied to the user by name ahead of a full grant, denied through a group the user belongs
    // to, and granted only reading, as an installation folder under Program Files is to a user.
    checkDenied(folder, user, {{true, writeRights, user}, {false, FILE_ALL_ACCESS, user}});
    checkDenied(folder, user, {{true, writeRights, everyone}, {false, FILE_ALL_ACCESS, user}});
    checkDenied(folder, user,
                {{false, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE | WRITE_DAC | DELETE, user}});

    // Files may be added but no folders, as users are granted on the root of C:.
    CHECK(!securityAllowsFolderWrite(
        descriptorFor(user, {{false, FILE_GENERIC_READ | FILE_ADD_FILE, user}})));
    CHECK(!securityAllowsFolderWrite(
        descriptorFor(user, {{false, FILE_GENERIC_READ | FILE_ADD_SUBDIRECTORY, user}})));

    // Granted through a group only.
    CHECK(securityAllowsFolderWrite(descriptorFor(user, {{false, FILE_ALL_ACCESS, everyone}})));
    CHECK(setDacl(folder, {{false, FILE_ALL_ACCESS, everyone}}));
    CHECK(canWriteFolder(folder));
    CHECK(securityAllowsFolderWrite(descriptorFor(user, {{false, FILE_ALL_ACCESS, user}})));

    CHECK(setDacl(folder, {{false, FILE_ALL_ACCESS, user}}));
    CHECK(RemoveDirectoryW(folder.c_str()));
    return check::finish("tst_win_folderaccess");
}
