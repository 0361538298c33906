// The Win32 process and path functions the programs call, as a table in a
// call slot (platform-internal, not a Windows header). Each function below
// answers through the table in force, so a program's test replaces what the
// program sees of its processes (a started converter, its wait, its exit code,
// the program's own path) without knowing how the platform does it. Tests of
// the platform itself fake the OS beneath (process_calls.h).
#pragma once

#include <varnel/call_table.h>

#include <handleapi.h>
#include <libloaderapi.h>
#include <processenv.h>
#include <processthreadsapi.h>
#include <synchapi.h>

namespace win32::kernel32 {

// Entries are named and typed as the Windows functions they answer for.
struct Table {
    decltype(&::CreateProcessA) CreateProcessA;
    decltype(&::WaitForSingleObject) WaitForSingleObject;
    decltype(&::GetExitCodeProcess) GetExitCodeProcess;
    decltype(&::CloseHandle) CloseHandle;
    decltype(&::GetModuleFileNameA) GetModuleFileNameA;
    decltype(&::GetCurrentDirectoryA) GetCurrentDirectoryA;
};

CallSlot<Table>& Slot();
// The platform's own functions, for a replacement to forward to.
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
using ScopedOverride = ScopedCallOverride<Table, Slot>;

}  // namespace win32::kernel32
