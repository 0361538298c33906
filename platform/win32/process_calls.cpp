#include <process_calls.h>

#include <atomic>

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

std::atomic<const Table*> current{&kReal};

}  // namespace

const Table& RealCalls() { return kReal; }
const Table& Calls() { return *current.load(std::memory_order_acquire); }

ScopedOverride::ScopedOverride(const Table& replacement)
    : table_(replacement), previous_(current.load(std::memory_order_acquire))
{
    current.store(&table_, std::memory_order_release);
}

ScopedOverride::~ScopedOverride() { current.store(previous_, std::memory_order_release); }

}  // namespace win32::proc
