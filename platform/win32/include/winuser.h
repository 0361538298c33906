// The window functions the programs need: top-level window enumeration and
// the show-window codes.
#pragma once

#include <cstdint>

#include <windef.h>

struct HWND__;
using HWND = HWND__*;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;

#ifndef CALLBACK
#define CALLBACK
#endif

using WNDENUMPROC = BOOL(CALLBACK*)(HWND window, LPARAM data);

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// Calls `callback` for each top-level window of the display (on X11 the
// window manager's client list), until it returns FALSE; then the result is
// FALSE, else TRUE. Without a display, or one whose window manager lists no
// clients, nothing is visited and the result is TRUE.
BOOL EnumWindows(WNDENUMPROC callback, LPARAM data);

// The id of the process that owns the window (its _NET_WM_PID), stored in
// *processId when that is not null; the result is the same id (a process's
// main thread has the process's id here). 0 when the window names none.
DWORD GetWindowThreadProcessId(HWND window, DWORD* processId);

// The window's owner (the window it is transient for), or null.
HWND GetParent(HWND window);

// Copies the window's title in the ANSI code page, at most maxCount - 1
// bytes (never half a character) and a terminator; returns the length
// copied. 0 for a window without a title or maxCount < 1.
int GetWindowTextA(HWND window, LPSTR text, int maxCount);
