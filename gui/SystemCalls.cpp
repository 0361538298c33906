#include "SystemCalls.h"

namespace {

VarnelSystemCalls& CurrentTable()
{
    static VarnelSystemCalls table = RealSystemCalls();
    return table;
}

}  // namespace

VarnelSystemCalls RealSystemCalls()
{
    return {&::GetCurrentDirectoryA, &::GetModuleFileNameA, &::GetFileAttributesA, &::CreateProcessA,
            &::WaitForSingleObject,  &::GetExitCodeProcess, &::CloseHandle,        &::EnumWindows,
            &::GetWindowThreadProcessId, &::GetParent,      &::GetWindowTextA,     &::GetTempFileNameA,
            kConverterWaitMilliseconds};
}

const VarnelSystemCalls& SystemCalls() { return CurrentTable(); }

ScopedSystemCalls::ScopedSystemCalls(const VarnelSystemCalls& replacement) : previous_(CurrentTable())
{
    CurrentTable() = replacement;
}

ScopedSystemCalls::~ScopedSystemCalls() { CurrentTable() = previous_; }
