// Owners of files and of this process as SIDs of Unix users.
#include <securitybaseapi.h>

#include <handleapi.h>
#include <winbase.h>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include <varnel/errno_map.h>
#include <handle_table.h>

namespace {

constexpr BYTE kUnixAuthority = 22;      // S-1-22: Unix users and groups
constexpr DWORD kUnixUsers = 1;          // S-1-22-1-<uid>
constexpr DWORD kSidBytes = 8 + 2 * 4;   // revision, count, authority, two sub-authorities
constexpr WORD kSelfRelative = 0x8000;   // SE_SELF_RELATIVE

// The self-relative form: its header, then the owner SID.
struct RelativeDescriptor {
    BYTE Revision;
    BYTE Sbz1;
    WORD Control;
    DWORD Owner;  // offsets from the start, 0 for none
    DWORD Group;
    DWORD Sacl;
    DWORD Dacl;
};
constexpr DWORD kDescriptorBytes = sizeof(RelativeDescriptor) + kSidBytes;

void WriteUserSid(void* at, uid_t uid)
{
    BYTE bytes[kSidBytes] = {1, 2, 0, 0, 0, 0, 0, kUnixAuthority};
    const DWORD parts[2] = {kUnixUsers, static_cast<DWORD>(uid)};
    std::memcpy(bytes + 8, parts, sizeof parts);
    std::memcpy(at, bytes, kSidBytes);
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

// Asks for `needed` bytes of a caller's buffer of `length`.
bool Fits(DWORD needed, DWORD length, LPDWORD returned)
{
    if (returned) *returned = needed;
    if (length >= needed) return true;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return false;
}

}  // namespace

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1)); }

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token)
{
    if (!token) return Fail(ERROR_INVALID_PARAMETER);
    if (process != GetCurrentProcess()) return Fail(ERROR_ACCESS_DENIED);
    *token = win32::handles::Insert({win32::handles::Kind::Token, nullptr});
    return TRUE;
}

BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass, LPVOID information,
                         DWORD informationLength, LPDWORD returnLength)
{
    auto found = win32::handles::Find(token);
    if (!found || found->kind != win32::handles::Kind::Token) return Fail(ERROR_INVALID_HANDLE);
    if (informationClass != TokenUser) return Fail(ERROR_INVALID_PARAMETER);
    if (!Fits(sizeof(TOKEN_USER) + kSidBytes, informationLength, returnLength)) return FALSE;
    if (!information) return Fail(ERROR_INVALID_PARAMETER);
    auto* user = static_cast<TOKEN_USER*>(information);
    BYTE* sid = static_cast<BYTE*>(information) + sizeof(TOKEN_USER);
    WriteUserSid(sid, geteuid());  // files are made with the effective user
    user->User.Sid = sid;
    user->User.Attributes = 0;
    return TRUE;
}

BOOL GetFileSecurityA(LPCSTR fileName, SECURITY_INFORMATION requestedInformation,
                      PSECURITY_DESCRIPTOR securityDescriptor, DWORD length, LPDWORD lengthNeeded)
{
    if (!fileName || !*fileName || requestedInformation != OWNER_SECURITY_INFORMATION)
        return Fail(ERROR_INVALID_PARAMETER);
    struct stat info {};
    if (lstat(fileName, &info) != 0) return Fail(win32::ErrorFromErrno(errno, fileName));
    if (!Fits(kDescriptorBytes, length, lengthNeeded)) return FALSE;
    if (!securityDescriptor) return Fail(ERROR_INVALID_PARAMETER);
    RelativeDescriptor header{1, 0, kSelfRelative, sizeof(RelativeDescriptor), 0, 0, 0};
    std::memcpy(securityDescriptor, &header, sizeof header);
    WriteUserSid(static_cast<BYTE*>(securityDescriptor) + sizeof header, info.st_uid);
    return TRUE;
}

BOOL GetSecurityDescriptorOwner(PSECURITY_DESCRIPTOR securityDescriptor, PSID* owner, BOOL* ownerDefaulted)
{
    if (!securityDescriptor || !owner || !ownerDefaulted) return Fail(ERROR_INVALID_PARAMETER);
    RelativeDescriptor header;
    std::memcpy(&header, securityDescriptor, sizeof header);
    if (header.Revision != 1 || !(header.Control & kSelfRelative)) return Fail(ERROR_INVALID_SECURITY_DESCR);
    *owner = header.Owner ? static_cast<BYTE*>(securityDescriptor) + header.Owner : nullptr;
    *ownerDefaulted = FALSE;
    return TRUE;
}

BOOL EqualSid(PSID sid1, PSID sid2)
{
    if (!sid1 || !sid2) return FALSE;
    auto* a = static_cast<const BYTE*>(sid1);
    auto* b = static_cast<const BYTE*>(sid2);
    if (a[0] != 1 || b[0] != 1) return FALSE;  // not a SID of revision 1
    const std::size_t bytes = 8 + 4 * std::size_t{a[1]};
    BOOL same = a[1] == b[1] && std::memcmp(a, b, bytes) == 0;
    SetLastError(ERROR_SUCCESS);
    return same;
}
