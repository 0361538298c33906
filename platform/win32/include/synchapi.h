// Waiting for kernel objects.
#pragma once

#include <windef.h>

inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_ABANDONED = 0x80;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFFu;

// Waits until the process of a process (or thread) handle ends, at most
// `milliseconds` (INFINITE: no limit, 0: just looks). WAIT_OBJECT_0 once it
// has ended (it is reaped then), WAIT_TIMEOUT, or WAIT_FAILED with
// GetLastError (ERROR_INVALID_HANDLE).
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
