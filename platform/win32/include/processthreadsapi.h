// Processes: starting a program, its exit code.
#pragma once

#include <windef.h>

inline constexpr DWORD STILL_ACTIVE = 259;

inline constexpr DWORD STARTF_USESHOWWINDOW = 0x1;

struct SECURITY_ATTRIBUTES {
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

struct STARTUPINFOA {
    DWORD cb;
    LPSTR lpReserved;
    LPSTR lpDesktop;
    LPSTR lpTitle;
    DWORD dwX;
    DWORD dwY;
    DWORD dwXSize;
    DWORD dwYSize;
    DWORD dwXCountChars;
    DWORD dwYCountChars;
    DWORD dwFillAttribute;
    DWORD dwFlags;
    WORD wShowWindow;
    WORD cbReserved2;
    BYTE* lpReserved2;
    HANDLE hStdInput;
    HANDLE hStdOutput;
    HANDLE hStdError;
};
using LPSTARTUPINFOA = STARTUPINFOA*;

struct PROCESS_INFORMATION {
    HANDLE hProcess;
    HANDLE hThread;
    DWORD dwProcessId;
    DWORD dwThreadId;
};
using LPPROCESS_INFORMATION = PROCESS_INFORMATION*;

inline constexpr DWORD PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
inline constexpr DWORD SYNCHRONIZE = 0x00100000;

// A handle to a process of any user, by its id. Here it only tells that such a
// process runs: it can be closed, not waited for. NULL with
// ERROR_INVALID_PARAMETER when no process has that id (it ended and was reaped).
HANDLE OpenProcess(DWORD desiredAccess, BOOL inheritHandle, DWORD processId);

// The calling thread's id (its kernel thread id; the main thread's equals the
// process id).
DWORD GetCurrentThreadId();

// Starts a program. With no application name, the command line's first item
// names the program: a path (relative ones from the current directory), or
// a bare name looked for beside the running executable, then in the current
// directory, then on PATH. The rest is split into the child's arguments by
// the Microsoft C runtime's rules (varnel/command_line.h). The child gets the
// environment (or `environment`, an ANSI block of "NAME=value" strings
// ending with an empty one), the current directory (or `currentDirectory`)
// and the standard streams of the caller, and no other descriptor, whatever
// `inheritHandles` says; its signal mask and dispositions start at their
// defaults. Windows have no meaning for the programs started here, so
// `startupInfo`'s show state has no effect. "explorer.exe /Select,<path>"
// asks the desktop's file manager to show the item (see shell_explorer.h).
// FALSE and GetLastError on failure: ERROR_FILE_NOT_FOUND when the program
// is not found, ERROR_DIRECTORY for a current directory that is none,
// ERROR_ACCESS_DENIED, ERROR_BAD_EXE_FORMAT, ERROR_INVALID_PARAMETER.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES processAttributes,
                    LPSECURITY_ATTRIBUTES threadAttributes, BOOL inheritHandles, DWORD creationFlags,
                    LPVOID environment, LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                    LPPROCESS_INFORMATION processInformation);

// STILL_ACTIVE while the process runs; its exit status once it has ended
// (128 + the signal number for one ended by a signal). FALSE with
// ERROR_INVALID_HANDLE for a handle that is not a process handle.
BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode);
