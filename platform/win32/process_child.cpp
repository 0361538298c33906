#include <varnel/process_child.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <thread>

#include <sys/wait.h>

#include <varnel/process_calls.h>

namespace win32 {
namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left before `deadline` for poll (-1: none), in poll's range.
int PollTimeout(std::optional<Clock::time_point> deadline)
{
    if (!deadline) return -1;
    auto left = std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
}

std::optional<Clock::time_point> DeadlineAfter(DWORD milliseconds)
{
    if (milliseconds == INFINITE) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(milliseconds);
}

// Blocks until the child ends and reaps it; runs on a detached thread.
void ReapInBackground(pid_t pid, pid_t (*waitpidCall)(pid_t, int*, int))
{
    try {
        std::thread([pid, waitpidCall] {
            int status = 0;
            while (waitpidCall(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the child stays a zombie until this process ends.
    }
}

}  // namespace

DWORD ExitCodeFromStatus(int status)
{
    if (WIFEXITED(status)) return static_cast<DWORD>(WEXITSTATUS(status));
    if (WIFSIGNALED(status)) return 128 + static_cast<DWORD>(WTERMSIG(status));
    return static_cast<DWORD>(status);
}

ChildProcess::ChildProcess(pid_t pid) : pid_(pid)
{
    pidfd_ = proc::Calls().pidfdOpen(pid, 0);
}

ChildProcess::~ChildProcess()
{
    std::lock_guard lock(mutex_);
    if (TryReap() != ReapOutcome::Reaped) ReapInBackground(pid_, proc::Calls().waitpid);
    if (pidfd_ >= 0) proc::Calls().close(pidfd_);
}

ReapOutcome ChildProcess::TryReap()
{
    if (exitCode_) return ReapOutcome::Reaped;
    int status = 0;
    pid_t result;
    do {
        result = proc::Calls().waitpid(pid_, &status, WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == pid_) {
        exitCode_ = ExitCodeFromStatus(status);
        return ReapOutcome::Reaped;
    }
    // ECHILD: the system reaped it (SIGCHLD ignored); its code is lost.
    if (result < 0 && errno == ECHILD) {
        exitCode_ = 0;
        return ReapOutcome::Reaped;
    }
    return result < 0 ? ReapOutcome::Failed : ReapOutcome::Running;
}

std::optional<DWORD> ChildProcess::ExitCode()
{
    std::lock_guard lock(mutex_);
    TryReap();
    return exitCode_;
}

WaitOutcome ChildProcess::Wait(DWORD milliseconds)
{
    {
        std::lock_guard lock(mutex_);
        auto reap = TryReap();
        if (reap == ReapOutcome::Reaped) return WaitOutcome::Ended;
        if (reap == ReapOutcome::Failed) return WaitOutcome::Failed;
    }
    return pidfd_ >= 0 ? WaitOnPidfd(milliseconds) : WaitByPolling(milliseconds);
}

WaitOutcome ChildProcess::WaitOnPidfd(DWORD milliseconds)
{
    auto deadline = DeadlineAfter(milliseconds);
    for (;;) {
        pollfd entry{pidfd_, POLLIN, 0};
        int ready = proc::Calls().poll(&entry, 1, PollTimeout(deadline));
        if (ready < 0 && errno != EINTR) return WaitOutcome::Failed;
        // poll's timeout was the time left: its report ends the wait.
        if (ready == 0 && deadline) return WaitOutcome::TimedOut;
        if (ready > 0) {
            std::lock_guard lock(mutex_);
            auto reap = TryReap();
            if (reap == ReapOutcome::Reaped) return WaitOutcome::Ended;
            if (reap == ReapOutcome::Failed) return WaitOutcome::Failed;
        }
        if (deadline && Clock::now() >= *deadline) return WaitOutcome::TimedOut;
    }
}

WaitOutcome ChildProcess::WaitByPolling(DWORD milliseconds)
{
    auto deadline = DeadlineAfter(milliseconds);
    auto pause = std::chrono::milliseconds(1);
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            auto reap = TryReap();
            if (reap == ReapOutcome::Reaped) return WaitOutcome::Ended;
            if (reap == ReapOutcome::Failed) return WaitOutcome::Failed;
        }
        if (deadline && Clock::now() >= *deadline) return WaitOutcome::TimedOut;
        auto nap = pause;
        if (deadline) nap = std::min(nap, std::chrono::ceil<std::chrono::milliseconds>(*deadline - Clock::now()));
        std::this_thread::sleep_for(nap);
        pause = std::min(pause * 2, std::chrono::milliseconds(50));
    }
}

}  // namespace win32
