// The process's environment: its current directory.
#pragma once

#include <windef.h>

// Copies the current directory and returns its length without the
// terminating zero. When `size` is too small, the buffer is left alone and
// the size needed, terminator included, is returned. 0 and GetLastError when
// the directory cannot be read (for example when it was removed).
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
