#include <kernel32_real.h>

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
    return Calls().CreateProcessA(applicationName, commandLine, processAttributes, threadAttributes, inheritHandles,
                                  creationFlags, environment, currentDirectory, startupInfo, processInformation);
}

DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds) { return Calls().WaitForSingleObject(object, milliseconds); }

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) { return Calls().GetExitCodeProcess(process, exitCode); }

BOOL CloseHandle(HANDLE object) { return Calls().CloseHandle(object); }

DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size)
{
    return Calls().GetModuleFileNameA(module, fileName, size);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) { return Calls().GetCurrentDirectoryA(size, buffer); }
