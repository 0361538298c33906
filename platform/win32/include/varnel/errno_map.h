// POSIX errno values as Win32 error codes (platform-internal).
#pragma once

#include <windef.h>

namespace win32 {

// The Win32 code for an errno value; ENOENT becomes ERROR_PATH_NOT_FOUND when
// `path` is given and its folder does not exist.
DWORD ErrorFromErrno(int error, const char* path = nullptr);
// SetLastError(ErrorFromErrno(error, path)).
void SetLastErrorFromErrno(int error, const char* path = nullptr);

}  // namespace win32
