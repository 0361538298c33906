// The Win32 window-finding functions the programs call, as a table in a call
// slot (platform-internal, not a Windows header). Each function below answers
// through the table in force, so a program's test shows it the windows it
// chooses without knowing how the platform lists a display's windows. Tests
// of the platform itself fake the display beneath.
#pragma once

#include <varnel/call_table.h>

#include <winuser.h>

namespace win32::user32 {

// Entries are named and typed as the Windows functions they answer for.
struct Table {
    decltype(&::EnumWindows) EnumWindows;
    decltype(&::GetWindowThreadProcessId) GetWindowThreadProcessId;
    decltype(&::GetParent) GetParent;
    decltype(&::GetWindowTextA) GetWindowTextA;
};

CallSlot<Table>& Slot();
// The platform's own functions, for a replacement to forward to.
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
using ScopedOverride = ScopedCallOverride<Table, Slot>;

}  // namespace win32::user32
