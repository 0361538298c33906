// The platform's own process and path functions, which the public ones of the
// same names call unless a test replaces them (varnel/kernel32_calls.h).
#pragma once

#include <varnel/kernel32_calls.h>

namespace win32::kernel32::real {

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
BOOL CloseHandle(HANDLE object);
DWORD GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);

}  // namespace win32::kernel32::real
