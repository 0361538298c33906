#include <winbase.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include <varnel/errno_map.h>
#include <varnel/exception_boundary.h>
#include <varnel/syscalls.h>

namespace {

std::string TempName(LPCSTR path, LPCSTR prefix, UINT unique)
{
    std::string name(path);
    if (name.empty() || name.back() != '/') name += '/';
    name.append(prefix ? prefix : "", prefix ? strnlen(prefix, 3) : 0);
    char number[16];
    std::snprintf(number, sizeof number, "%X.TMP", unique & 0xFFFFu);
    return name + number;
}

UINT Fail(DWORD error)
{
    SetLastError(error);
    return 0;
}

}  // namespace

UINT GetTempFileNameA(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR tempFileName)
try {
    if (!path || !*path || !tempFileName) return Fail(ERROR_INVALID_PARAMETER);
    if (unique != 0) {
        const std::string name = TempName(path, prefix, unique);
        if (name.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return unique & 0xFFFFu;
    }
    // Start where other processes are unlikely to be, then walk all 65535 numbers.
    const UINT start = (GetCurrentProcessId() & 0xFFFFu) | 1u;
    for (UINT step = 0; step < 0xFFFFu; ++step) {
        const UINT number = (start - 1 + step) % 0xFFFFu + 1;
        const std::string name = TempName(path, prefix, number);
        if (name.size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
        win32::sys::UniqueFd file(win32::sys::Open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!file) {
            if (errno == EEXIST) continue;
            win32::SetLastErrorFromErrno(errno, name.c_str());
            return 0;
        }
        if (file.Reset() != 0) {
            const int error = errno;
            win32::sys::Unlink(name.c_str());
            win32::SetLastErrorFromErrno(error, name.c_str());
            return 0;
        }
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return number;
    }
    return Fail(ERROR_FILE_EXISTS);
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}
