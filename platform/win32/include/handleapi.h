// Handles of kernel objects (here: processes and their main threads).
#pragma once

#include <windef.h>

inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));

// Releases a handle. A process handle closed before its process ends leaves
// no zombie: the ended process is reaped in the background. FALSE with
// ERROR_INVALID_HANDLE for a handle that is not open.
BOOL CloseHandle(HANDLE object);
