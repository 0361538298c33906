#include <user32_real.h>

namespace win32::user32 {
namespace {

const Table kReal = {real::EnumWindows, real::GetWindowThreadProcessId, real::GetParent, real::GetWindowTextA};

}  // namespace

CallSlot<Table>& Slot()
{
    static CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace win32::user32

using win32::user32::Calls;

BOOL EnumWindows(WNDENUMPROC callback, LPARAM data) { return Calls().EnumWindows(callback, data); }

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    return Calls().GetWindowThreadProcessId(window, processId);
}

HWND GetParent(HWND window) { return Calls().GetParent(window); }

int GetWindowTextA(HWND window, LPSTR text, int maxCount) { return Calls().GetWindowTextA(window, text, maxCount); }
