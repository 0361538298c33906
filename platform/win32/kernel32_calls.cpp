#include <kernel32_real.h>

#include <varnel/debug_channel.h>

namespace win32::kernel32 {
namespace {

const Table kReal = {
    real::CreateProcessA,       real::WaitForSingleObject, real::GetExitCodeProcess,
    real::CloseHandle,          real::GetModuleFileNameA,  real::GetCurrentDirectoryA,
};

}  // namespace

CallSlot<Table>& Slot()
{
    static CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace win32::kernel32

using win32::kernel32::Calls;

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation)
{
    VARNEL_TRACE(Win32, "CreateProcessA %s", commandLine ? commandLine : applicationName ? applicationName : "");
    BOOL created = Calls().CreateProcessA(applicationName, commandLine, processAttributes, threadAttributes,
                                          inheritHandles, creationFlags, environment, currentDirectory, startupInfo,
                                          processInformation);
    if (created && processInformation)
        VARNEL_TRACE(Win32, "CreateProcessA -> pid %lu", static_cast<unsigned long>(processInformation->dwProcessId));
    else
        VARNEL_TRACE(Win32, "CreateProcessA -> %s", created ? "started" : "failed");
    return created;
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    DWORD result = Calls().WaitForSingleObject(object, milliseconds);
    // Polls (no wait at all) would flood the channel.
    if (milliseconds != 0)
        VARNEL_TRACE(Win32, "WaitForSingleObject %p, %lu ms -> 0x%lX", object, static_cast<unsigned long>(milliseconds),
                     static_cast<unsigned long>(result));
    return result;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) { return Calls().GetExitCodeProcess(process, exitCode); }

BOOL CloseHandle(HANDLE object) { return Calls().CloseHandle(object); }

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    return Calls().GetModuleFileNameA(module, fileName, size);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) { return Calls().GetCurrentDirectoryA(size, buffer); }
