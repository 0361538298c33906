// A started child process as a process handle sees it (platform-internal).
#pragma once

#include <mutex>
#include <optional>

#include <sys/types.h>

#include <windef.h>

namespace win32 {

enum class WaitOutcome { Ended, TimedOut, Failed };
enum class ReapOutcome { Reaped, Running, Failed };

// Owns a child until it is reaped. Waiting uses a pidfd (Linux 5.3 and later)
// and falls back to polling waitpid where the kernel has none. A child still
// running when the object goes is reaped by a background thread, so no
// zombie is ever left.
class ChildProcess {
public:
    explicit ChildProcess(pid_t pid);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // A descriptor that polls readable once the child has ended, or -1 where the
    // kernel has no pidfd (then only Wait and ExitCode tell).
    int WaitDescriptor() const { return pidfd_; }
    // Waits up to `milliseconds` (INFINITE: no limit); errno is set on Failed.
    WaitOutcome Wait(DWORD milliseconds);
    // The exit code once the child has ended (reaping it then); nullopt
    // while it runs. 0 for a child the system reaped itself (SIGCHLD ignored).
    std::optional<DWORD> ExitCode();

private:
    // Reaps the child if it has ended (errno set on Failed).
    ReapOutcome TryReap();
    WaitOutcome WaitOnPidfd(DWORD milliseconds);
    WaitOutcome WaitByPolling(DWORD milliseconds);

    std::mutex mutex_;
    pid_t pid_;
    int pidfd_ = -1;
    std::optional<DWORD> exitCode_;
};

// The exit code Windows-style for a waitpid status.
DWORD ExitCodeFromStatus(int status);

}  // namespace win32
