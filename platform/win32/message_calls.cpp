// Sending, posting and taking messages.
#include "message_queue.h"
#include "window_table.h"

#include <processthreadsapi.h>
#include <winbase.h>
#include <winuser.h>

namespace {

using win32::user::CurrentQueue;
using win32::user::FindWindow;

const HWND kThreadMessagesOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

MSG MakeMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG made{};
    made.hwnd = window;
    made.message = message;
    made.wParam = wParam;
    made.lParam = lParam;
    made.time = win32::user::TickCount();
    return made;
}

// The filter of PeekMessageA and GetMessageA. WM_QUIT passes any range, as on Windows.
auto Filter(HWND window, UINT first, UINT last)
{
    return [=](const MSG& m) {
        const bool inRange = (first == 0 && last == 0) || m.message == WM_QUIT || (m.message >= first && m.message <= last);
        if (!inRange) return false;
        if (!window) return true;
        if (window == kThreadMessagesOnly) return m.hwnd == nullptr;
        return m.hwnd == window;
    };
}

bool ValidFilterWindow(HWND window) { return !window || window == kThreadMessagesOnly || FindWindow(window); }

void FillMessage(LPMSG out, const MSG& taken)
{
    if (out) *out = taken;
}

}  // namespace

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto entry = FindWindow(window);
    if (!entry) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (entry->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (entry->driver) return entry->driver->Send(entry->driverWindow, message, wParam, lParam);
    return entry->procedure(window, message, wParam, lParam);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!window) {
        CurrentQueue().Post(MakeMessage(nullptr, message, wParam, lParam));
        return TRUE;
    }
    auto entry = FindWindow(window);
    auto queue = entry ? win32::user::QueueOfThread(entry->thread) : nullptr;
    if (!queue) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    queue->Post(MakeMessage(window, message, wParam, lParam));
    return TRUE;
}

BOOL PostThreadMessageA(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam)
{
    CurrentQueue();  // a window-system call makes the caller's queue, as on Windows
    auto queue = win32::user::QueueOfThread(threadId);
    if (!queue) {
        SetLastError(ERROR_INVALID_THREAD_ID);
        return FALSE;
    }
    queue->Post(MakeMessage(nullptr, message, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int exitCode) { PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, static_cast<WPARAM>(exitCode), 0); }

BOOL PeekMessageA(LPMSG msg, HWND window, UINT first, UINT last, UINT removeFlags)
{
    if (!ValidFilterWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    auto taken = CurrentQueue().Take(Filter(window, first, last), (removeFlags & PM_REMOVE) != 0);
    if (!taken) return FALSE;
    FillMessage(msg, *taken);
    return TRUE;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT first, UINT last)
{
    if (!ValidFilterWindow(window)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return -1;
    }
    auto& queue = CurrentQueue();
    const auto accepts = Filter(window, first, last);
    for (;;) {
        std::uint64_t seen = 0;
        if (auto taken = queue.Take(accepts, true, &seen)) {
            FillMessage(msg, *taken);
            return taken->message == WM_QUIT ? 0 : 1;
        }
        queue.WaitForPostAfter(seen);
    }
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (!msg || !msg->hwnd) return 0;
    auto entry = FindWindow(msg->hwnd);
    if (!entry || entry->thread != GetCurrentThreadId()) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    if (entry->driver) return entry->driver->Send(entry->driverWindow, msg->message, msg->wParam, msg->lParam);
    return entry->procedure(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

BOOL TranslateMessage(const MSG*) { return FALSE; }
