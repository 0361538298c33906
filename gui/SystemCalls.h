// The process, module and window calls of the program, reached through one table so
// that tests can watch them or put failures and stand-ins in their place.
#pragma once

#include <windows.h>
#include <handleapi.h>
#include <processenv.h>
#include <synchapi.h>

// How long an export waits for the converter.
inline constexpr DWORD kConverterWaitMilliseconds = 60000;

struct VarnelSystemCalls {
    DWORD (*GetCurrentDirectoryA)(DWORD size, LPSTR buffer);
    DWORD (*GetModuleFileNameA)(HMODULE module, LPSTR fileName, DWORD size);
    DWORD (*GetFileAttributesA)(LPCSTR path);
    BOOL (*CreateProcessA)(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                           LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                           LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                           LPPROCESS_INFORMATION processInformation);
    DWORD (*WaitForSingleObject)(HANDLE object, DWORD milliseconds);
    BOOL (*GetExitCodeProcess)(HANDLE process, DWORD* exitCode);
    BOOL (*CloseHandle)(HANDLE object);
    BOOL (*EnumWindows)(WNDENUMPROC callback, LPARAM data);
    DWORD (*GetWindowThreadProcessId)(HWND window, DWORD* processId);
    HWND (*GetParent)(HWND window);
    int (*GetWindowTextA)(HWND window, LPSTR text, int maxCount);
    UINT (*GetTempFileNameA)(LPCSTR path, LPCSTR prefix, UINT unique, LPSTR tempFileName);
    DWORD converterWaitMilliseconds;
};

// The table in use.
const VarnelSystemCalls& SystemCalls();
// The real calls and the product's wait.
VarnelSystemCalls RealSystemCalls();

// Test seam: puts another table in place for its lifetime.
class ScopedSystemCalls {
public:
    explicit ScopedSystemCalls(const VarnelSystemCalls& replacement);
    ~ScopedSystemCalls();
    ScopedSystemCalls(const ScopedSystemCalls&) = delete;
    ScopedSystemCalls& operator=(const ScopedSystemCalls&) = delete;

private:
    VarnelSystemCalls previous_;
};
