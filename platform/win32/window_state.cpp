// The window functions that take any handle: this process's windows (message-only
// ones and the framework's, through its driver) and other programs' windows.
#include "foreign_windows.h"
#include "window_table.h"
#include "user32_real.h"

#include <varnel/codepage.h>
#include <processthreadsapi.h>
#include <varnel/user32_driver.h>
#include <winbase.h>
#include <winnls.h>
#include <winuser.h>

#include <atomic>
#include <string>

namespace {

namespace foreign = win32::user::foreign;
using win32::user::FindWindow;

std::atomic<win32::user::DisplayDriver*> displayDriver{nullptr};

// Copies text cut at a character boundary of the ANSI code page.
int CopyText(const std::string& text, LPSTR buffer, int maxCount)
{
    auto length = win32::nls::CharacterBoundary(GetACP(), text, static_cast<std::size_t>(maxCount - 1));
    text.copy(buffer, length);
    buffer[length] = '\0';
    return static_cast<int>(length);
}

}  // namespace

namespace win32::user {
void SetDisplayDriver(DisplayDriver* driver) { displayDriver.store(driver, std::memory_order_release); }
}  // namespace win32::user

int GetSystemMetrics(int index)
{
    auto* driver = displayDriver.load(std::memory_order_acquire);
    return driver ? driver->SystemMetric(index) : 0;
}

BOOL IsWindow(HWND window)
{
    if (!window) return FALSE;
    if (foreign::IsForeign(window)) return foreign::Listed(window);
    return FindWindow(window).has_value();
}

BOOL IsWindowVisible(HWND window)
{
    auto entry = FindWindow(window);
    return entry && entry->driver && entry->driver->IsVisible(entry->driverWindow);
}

BOOL ShowWindow(HWND window, int showCommand)
{
    auto entry = FindWindow(window);
    if (!entry || !entry->driver) return FALSE;  // message-only windows are never shown
    return entry->driver->Show(entry->driverWindow, showCommand);
}

BOOL win32::user32::real::EnumWindows(WNDENUMPROC callback, LPARAM data)
{
    if (!callback) return TRUE;
    return foreign::Enumerate(callback, data);
}

DWORD win32::user32::real::GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    DWORD process = 0, thread = 0;
    if (window && foreign::IsForeign(window)) {
        // A process's main thread has the process's id here.
        thread = process = foreign::ProcessId(window);
    } else if (auto entry = FindWindow(window)) {
        thread = entry->thread;
        process = GetCurrentProcessId();
    }
    if (processId) *processId = process;
    return thread;
}

HWND win32::user32::real::GetParent(HWND window)
{
    if (!window) return nullptr;
    if (foreign::IsForeign(window)) return foreign::Owner(window);
    auto entry = FindWindow(window);
    return entry && entry->driver ? entry->driver->Parent(entry->driverWindow) : nullptr;
}

int win32::user32::real::GetWindowTextA(HWND window, LPSTR text, int maxCount)
{
    if (!text || maxCount < 1) return 0;
    text[0] = '\0';
    if (!window) return 0;
    if (foreign::IsForeign(window)) {
        auto title = foreign::Title(window);
        return title ? CopyText(*title, text, maxCount) : 0;
    }
    auto entry = FindWindow(window);
    if (!entry || !entry->driver) return 0;
    return static_cast<int>(SendMessageA(window, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}
