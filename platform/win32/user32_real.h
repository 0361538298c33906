// The platform's own window-finding functions, which the public ones of the
// same names call unless a test replaces them (varnel/user32_calls.h).
#pragma once

#include <varnel/user32_calls.h>

namespace win32::user32::real {

BOOL EnumWindows(WNDENUMPROC callback, LPARAM data);
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);
HWND GetParent(HWND window);
int GetWindowTextA(HWND window, LPSTR text, int maxCount);

}  // namespace win32::user32::real
