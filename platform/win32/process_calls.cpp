#include <varnel/process_calls.h>


#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace win32::proc {
namespace {

int RealPidfdOpen(pid_t pid, unsigned int flags)
{
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, flags));
}

const Table kReal = {
    ::posix_spawn, ::waitpid, RealPidfdOpen, ::poll, ::close, ::getcwd, ::readlink,
};

}  // namespace

CallSlot<Table>& Slot()
{
    static CallSlot<Table> slot(kReal);
    return slot;
}

}  // namespace win32::proc
