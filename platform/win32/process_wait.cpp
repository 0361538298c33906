#include <synchapi.h>

#include <cerrno>

#include <varnel/errno_map.h>
#include <handle_table.h>
#include <kernel32_real.h>
#include <processthreadsapi.h>
#include <winbase.h>

DWORD win32::kernel32::real::WaitForSingleObject(HANDLE object, DWORD milliseconds)
{
    auto found = win32::handles::Find(object);
    if (!found || !found->process) {  // only started children can be waited for
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    switch (found->process->Wait(milliseconds)) {
    case win32::WaitOutcome::Ended: return WAIT_OBJECT_0;
    case win32::WaitOutcome::TimedOut: return WAIT_TIMEOUT;
    case win32::WaitOutcome::Failed: break;
    }
    win32::SetLastErrorFromErrno(errno);
    return WAIT_FAILED;
}

BOOL win32::kernel32::real::GetExitCodeProcess(HANDLE process, DWORD* exitCode)
{
    auto found = win32::handles::Find(process);
    if (!found || found->kind != win32::handles::Kind::Process) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!exitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *exitCode = found->process->ExitCode().value_or(STILL_ACTIVE);
    return TRUE;
}
