#include <processthreadsapi.h>
#include <winbase.h>

#include <sys/syscall.h>
#include <unistd.h>

DWORD GetCurrentProcessId() { return static_cast<DWORD>(getpid()); }

DWORD GetCurrentThreadId()
{
    thread_local const DWORD id = static_cast<DWORD>(syscall(SYS_gettid));
    return id;
}
