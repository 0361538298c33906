// Window classes and message-only windows.
#include "message_queue.h"
#include "window_table.h"

#include <processthreadsapi.h>
#include <winbase.h>
#include <winuser.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <string>
#include <unordered_map>

namespace {

using win32::user::WindowEntry;

std::string ClassKey(LPCSTR name)
{
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
    return key;
}

struct ClassDirectory {
    std::mutex mutex;
    std::unordered_map<std::string, WNDPROC> procedures;
    ATOM nextAtom = 0xC000;  // registered classes get atoms from 0xC000 up, as on Windows
};

ClassDirectory& Classes()
{
    static auto* classes = new ClassDirectory;
    return *classes;
}

// A thread's message-only windows end with the thread, as on Windows (their
// procedures are not called any more by then).
struct ThreadWindowsReaper {
    ~ThreadWindowsReaper()
    {
        for (HWND window : win32::user::MessageWindowsOfThread(GetCurrentThreadId())) win32::user::EraseWindow(window);
    }
};

void ReapWithThread()
{
    thread_local ThreadWindowsReaper reaper;
    (void)reaper;
}

}  // namespace

ATOM RegisterClassA(const WNDCLASSA* windowClass)
{
    if (!windowClass || !windowClass->lpfnWndProc || !windowClass->lpszClassName || !*windowClass->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto& classes = Classes();
    std::lock_guard lock(classes.mutex);
    if (!classes.procedures.emplace(ClassKey(windowClass->lpszClassName), windowClass->lpfnWndProc).second) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    return classes.nextAtom++;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE)
{
    if (!className) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    const std::string key = ClassKey(className);
    auto& classes = Classes();
    std::lock_guard lock(classes.mutex);
    if (!classes.procedures.count(key)) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (win32::user::ClassHasWindows(key)) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    classes.procedures.erase(key);
    return TRUE;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR, DWORD, int, int, int, int, HWND parent, HMENU, HINSTANCE,
                     LPVOID)
{
    if (parent != HWND_MESSAGE || !className) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    WindowEntry entry;
    entry.className = ClassKey(className);
    {
        auto& classes = Classes();
        std::lock_guard lock(classes.mutex);
        auto found = classes.procedures.find(entry.className);
        if (found == classes.procedures.end()) {
            SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
            return nullptr;
        }
        entry.procedure = found->second;
    }
    entry.thread = GetCurrentThreadId();
    win32::user::CurrentQueue();
    ReapWithThread();
    return win32::user::InsertWindow(std::move(entry));
}

BOOL DestroyWindow(HWND window)
{
    auto entry = win32::user::FindWindow(window);
    if (!entry) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    if (entry->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    if (entry->driver) {
        entry->driver->Destroy(entry->driverWindow);
        return TRUE;
    }
    entry->procedure(window, WM_DESTROY, 0, 0);
    win32::user::EraseWindow(window);
    win32::user::CurrentQueue().Drop(window);
    return TRUE;
}

LRESULT DefWindowProcA(HWND, UINT, WPARAM, LPARAM) { return 0; }

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value)
{
    if (index != GWLP_USERDATA && index != GWLP_WNDPROC) {
        SetLastError(ERROR_INVALID_PARAMETER);  // Windows: ERROR_INVALID_INDEX
        return 0;
    }
    LONG_PTR previous = 0;
    bool messageOnly = false;
    const bool found = win32::user::ChangeWindow(window, [&](WindowEntry& entry) {
        if (entry.driver) return;
        messageOnly = true;
        if (index == GWLP_USERDATA) {
            previous = entry.userData;
            entry.userData = value;
        } else if (value) {
            previous = reinterpret_cast<LONG_PTR>(entry.procedure);
            entry.procedure = reinterpret_cast<WNDPROC>(value);
        }
    });
    if (!found || !messageOnly) SetLastError(found ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
    else SetLastError(ERROR_SUCCESS);
    return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index)
{
    auto entry = win32::user::FindWindow(window);
    if (!entry || entry->driver) {
        SetLastError(entry ? ERROR_ACCESS_DENIED : ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (index == GWLP_USERDATA) return entry->userData;
    if (index == GWLP_WNDPROC) return reinterpret_cast<LONG_PTR>(entry->procedure);
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
}
