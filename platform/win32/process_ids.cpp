#include <processthreadsapi.h>
#include <winbase.h>

#include <cerrno>

#include <handle_table.h>

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetCurrentThreadId()
{
    thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD processId)
{
    const auto pid = static_cast<pid_t>(processId);
    // A process of another user answers EPERM: it runs all the same.
    if (pid <= 0 || (kill(pid, 0) != 0 && errno != EPERM)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return win32::handles::Insert({win32::handles::Kind::OpenedProcess, nullptr});
}
