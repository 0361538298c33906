// How a toolkit's windows join the window system's one handle space, and how a
// toolkit's event loop pumps the thread's message queue (not a Windows header:
// the dialog framework uses it, programs never do). Like a display driver under
// user32: the window functions route a handle to the driver that made it.
#pragma once

#include <windef.h>

namespace win32::user {

class WindowDriver {
public:
    // Runs a message through the window's procedure (sent, or dispatched from the queue).
    virtual LRESULT Send(void* window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual bool IsVisible(void* window) = 0;
    // Returns whether the window was visible before.
    virtual bool Show(void* window, int showCommand) = 0;
    virtual HWND Parent(void* window) = 0;
    virtual void Destroy(void* window) = 0;

protected:
    ~WindowDriver() = default;
};

// A new handle for a window of `driver`, owned by the calling thread; `window` is
// the driver's own record, handed back in every call.
HWND AttachWindow(WindowDriver& driver, void* window);
// The handle names no window afterwards; its queued messages are dropped.
void DetachWindow(HWND handle);
// The record behind a live handle of `driver`, or null (stale, foreign, another driver's).
void* DriverWindow(HWND handle, const WindowDriver& driver);

// Screen and icon sizes, from the toolkit that draws.
class DisplayDriver {
public:
    virtual int SystemMetric(int index) = 0;

protected:
    ~DisplayDriver() = default;
};
// The driver for the process (null: none, every metric is 0).
void SetDisplayDriver(DisplayDriver* driver);

// A descriptor that polls readable while the calling thread's queue holds a
// message: an event loop watches it and then takes one message with
// PeekMessageA(PM_REMOVE) and DispatchMessageA. Valid for the thread's life.
int QueueWaitDescriptor();

}  // namespace win32::user
