// Modules: here only the running program's own.
#pragma once

#include <windef.h>


// The running program's module for a null name; null with
// ERROR_INVALID_PARAMETER for any other name (no other modules exist here).
HMODULE GetModuleHandleA(LPCSTR moduleName);

// The full path of the running executable, for a null module or the one of
// GetModuleHandleA(nullptr). Returns the length copied without the
// terminator. A buffer too small gets the first size - 1 characters and a
// terminator; the result is then `size` and the last error
// ERROR_INSUFFICIENT_BUFFER. 0 and GetLastError on failure
// (ERROR_INVALID_HANDLE for another module).
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
