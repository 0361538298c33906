// The handle space of windows made in this process (platform-internal).
#pragma once

#include <varnel/user32_driver.h>
#include <winuser.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace win32::user {

struct WindowEntry {
    DWORD thread = 0;                 // the thread that made it: its messages go there
    WindowDriver* driver = nullptr;   // null for a message-only window
    void* driverWindow = nullptr;
    std::string className;            // message-only windows
    WNDPROC procedure = nullptr;
    LONG_PTR userData = 0;
};

// Handles are small multiples of four, as Windows hands them out, never reused.
HWND InsertWindow(WindowEntry entry);
std::optional<WindowEntry> FindWindow(HWND handle);
bool EraseWindow(HWND handle);
// Applies `change` to a live entry under the table's lock; false when none.
bool ChangeWindow(HWND handle, const std::function<void(WindowEntry&)>& change);
// Live message-only windows of a class, and of a thread.
bool ClassHasWindows(const std::string& className);
std::vector<HWND> MessageWindowsOfThread(DWORD thread);

}  // namespace win32::user
