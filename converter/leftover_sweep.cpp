#include "leftover_sweep.h"

#include <handleapi.h>
#include <processthreadsapi.h>
#include <winbase.h>

#include <vector>

namespace narrate {
namespace {

constexpr std::string_view kPrefix = ".narrate-";
constexpr std::string_view kSuffix = ".tmp";

// Decimal digits at the front of `text`, taken off it; nothing when there are none
// or they pass 32 bits.
std::optional<DWORD> TakeNumber(std::string_view& text)
{
    std::size_t digits = 0;
    std::uint64_t value = 0;
    while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') {
        value = value * 10 + static_cast<unsigned>(text[digits] - '0');
        if (value > 0xFFFFFFFFu) return std::nullopt;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    text.remove_prefix(digits);
    return static_cast<DWORD>(value);
}

bool ProcessHasEnded(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process) {
        CloseHandle(process);
        return false;
    }
    return GetLastError() == ERROR_INVALID_PARAMETER;  // anything else: it may still run
}

bool OwnedBy(const std::string& path, PSID user)
{
    DWORD needed = 0;
    GetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, nullptr, 0, &needed);
    if (needed == 0) return false;
    std::vector<BYTE> descriptor(needed);
    if (!GetFileSecurityA(path.c_str(), OWNER_SECURITY_INFORMATION, descriptor.data(), needed, &needed)) return false;
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    return GetSecurityDescriptorOwner(descriptor.data(), &owner, &defaulted) && EqualSid(owner, user);
}

bool IsPlainFile(const WIN32_FIND_DATAA& data)
{
    return !(data.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace

std::optional<DWORD> LeftoverProcessId(std::string_view name)
{
    if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix)) return std::nullopt;
    name.remove_prefix(kPrefix.size());
    name.remove_suffix(kSuffix.size());
    std::optional<DWORD> processId = TakeNumber(name);
    if (!processId || *processId == 0) return std::nullopt;
    if (name.starts_with('-')) {
        name.remove_prefix(1);
        if (!TakeNumber(name)) return std::nullopt;
    }
    return name.empty() ? processId : std::nullopt;
}

void RemoveLeftovers(const std::string& folder, PSID user)
{
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA((folder + std::string(kPrefix) + "*" + std::string(kSuffix)).c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::optional<DWORD> processId = LeftoverProcessId(data.cFileName);
        // This process has not made its file yet: one with its id is another's
        // that happened to have the same id, which may be running still.
        if (!processId || *processId == GetCurrentProcessId() || !IsPlainFile(data)) continue;
        const std::string path = folder + data.cFileName;
        if (ProcessHasEnded(*processId) && OwnedBy(path, user)) DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &data));
    FindClose(search);
}

void RemoveLeftovers(const std::string& folder)
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
    DWORD needed = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &needed);
    std::vector<BYTE> user(needed);
    if (needed && GetTokenInformation(token, TokenUser, user.data(), needed, &needed))
        RemoveLeftovers(folder, reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid);
    CloseHandle(token);
}

}  // namespace narrate
