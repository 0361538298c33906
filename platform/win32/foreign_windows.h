// Other programs' top-level windows on the display, through X11 (platform-internal).
#pragma once

#include <winuser.h>

#include <optional>
#include <string>

namespace win32::user::foreign {

// Handles of the display's windows carry a tag above any X11 window id, so they
// never meet the handles of this process's own windows.
bool IsForeign(HWND handle);
HWND HandleOf(unsigned long xWindow);
// The window manager's client list, in its order; FALSE when the callback stopped it.
BOOL Enumerate(WNDENUMPROC callback, LPARAM data);
bool Listed(HWND handle);
DWORD ProcessId(HWND handle);         // _NET_WM_PID, 0 when it names none
HWND Owner(HWND handle);              // WM_TRANSIENT_FOR, or null
std::optional<std::string> Title(HWND handle);  // in the ANSI code page

}  // namespace win32::user::foreign
