#include <synchapi.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>

#include <poll.h>
#include <sys/syscall.h>

#include <gtest/gtest.h>

#include <handleapi.h>
#include <varnel/process_calls.h>
#include <processthreadsapi.h>
#include <scratch_dir.h>
#include <winbase.h>

#include "process_test_support.h"

namespace {

using namespace win32_test;

// Without a pidfd (kernels before 5.3) the waits poll waitpid instead.
int NoPidfd(pid_t, unsigned int)
{
    errno = ENOSYS;
    return -1;
}

class ProcessWait : public ::testing::TestWithParam<bool> {
protected:
    ProcessWait()
    {
        if (!GetParam()) {
            auto table = win32::proc::RealCalls();
            table.pidfdOpen = NoPidfd;
            override_.emplace(table);
        }
    }
    testing_support::ScratchDir scratch_;
    std::optional<win32::proc::ScopedOverride> override_;
};

INSTANTIATE_TEST_SUITE_P(Pidfd, ProcessWait, ::testing::Values(true));
INSTANTIATE_TEST_SUITE_P(Polling, ProcessWait, ::testing::Values(false));

TEST_P(ProcessWait, EndedChildGivesItsExitCodeAndIsReaped)
{
    auto child = Start("/bin/sh -c \"exit 3\"");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(ProcessState(child.info.dwProcessId), std::nullopt) << "no zombie once the wait is over";
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 3u);
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_OBJECT_0) << "an ended process stays signalled";
    EXPECT_EQ(WaitForSingleObject(child.info.hThread, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(child.info.hThread));
    EXPECT_TRUE(CloseHandle(child.info.hProcess));
}

TEST_P(ProcessWait, ChildEndedBySignalReports128PlusTheSignal)
{
    auto child = Start("/bin/sh -c \"kill -9 $$\"");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 137u);
}

TEST_P(ProcessWait, RunningChildTimesOutAndIsStillActive)
{
    Gate gate(scratch_ / "gate");
    auto child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok) << child.error;

    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_TIMEOUT);
    // Ended by its timeout (the gate holds the child); that it waits at all:
    // ChildEndingDuringATimedWaitEndsTheWait.
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 150), WAIT_TIMEOUT);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);

    gate.Release();
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, INFINITE), WAIT_OBJECT_0);
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(child.info.hThread);
    CloseHandle(child.info.hProcess);
}

// Lets the gated child go from inside the wait, once the wait blocks: on the pidfd
// (its first poll) or between two checks (the second waitpid).
struct GateInsideTheWait {
    static inline const Gate* gate = nullptr;
    static inline int waitpids = 0;
    static void Open()
    {
        if (gate) gate->Release();
        gate = nullptr;
    }
};

int PollOpeningTheGate(pollfd* fds, nfds_t count, int timeout)
{
    GateInsideTheWait::Open();
    return win32::proc::RealCalls().poll(fds, count, timeout);
}

pid_t WaitpidOpeningTheGate(pid_t pid, int* status, int options)
{
    if (++GateInsideTheWait::waitpids == 2) GateInsideTheWait::Open();
    return win32::proc::RealCalls().waitpid(pid, status, options);
}

// A wait with a timeout waits: the child that ends meanwhile ends it, before its time.
TEST_P(ProcessWait, ChildEndingDuringATimedWaitEndsTheWait)
{
    Gate gate(scratch_ / "gate");
    auto child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok) << child.error;
    auto table = win32::proc::Calls();
    table.poll = PollOpeningTheGate;
    table.waitpid = WaitpidOpeningTheGate;
    win32::proc::ScopedOverride opening(table);
    GateInsideTheWait::gate = &gate;
    GateInsideTheWait::waitpids = 0;
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 600000), WAIT_OBJECT_0);
    GateInsideTheWait::Open();  // a wait that gave up without blocking left it shut
    EXPECT_EQ(Finish(child.info), 0u);
}

TEST(ProcessHandles, BadHandlesFail)
{
    for (HANDLE bad : {HANDLE(nullptr), INVALID_HANDLE_VALUE, reinterpret_cast<HANDLE>(0x7fff0000)}) {
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(bad, 0), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        DWORD code = 0;
        SetLastError(0);
        EXPECT_FALSE(GetExitCodeProcess(bad, &code));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
        SetLastError(0);
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    }
}

TEST(ProcessHandles, ClosedHandleIsNoLongerValidAndThreadHandleHasNoExitCode)
{
    auto child = Start("/bin/sh -c \"exit 0\"");
    ASSERT_TRUE(child.ok) << child.error;
    DWORD code = 0;
    SetLastError(0);
    EXPECT_FALSE(GetExitCodeProcess(child.info.hThread, &code));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(GetExitCodeProcess(child.info.hProcess, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EXPECT_NE(child.info.hProcess, child.info.hThread);
    EXPECT_EQ(WaitForSingleObject(child.info.hThread, INFINITE), WAIT_OBJECT_0);
    EXPECT_TRUE(CloseHandle(child.info.hThread));
    EXPECT_FALSE(CloseHandle(child.info.hThread));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    // The process handle still works after its thread handle is closed.
    ASSERT_TRUE(GetExitCodeProcess(child.info.hProcess, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(child.info.hProcess));
    EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0), WAIT_FAILED);
}

// Our own pidfd on the child: readable once it has ended, whether reaped or not.
void AwaitEnd(DWORD pid)
{
    int fd = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
    ASSERT_GE(fd, 0);
    pollfd entry{fd, POLLIN, 0};
    ASSERT_EQ(poll(&entry, 1, 10000), 1);
    close(fd);
}

TEST(ProcessReaping, ClosingTheHandlesOfAnEndedChildReapsIt)
{
    auto child = Start("/bin/sh -c \"exit 0\"");
    ASSERT_TRUE(child.ok) << child.error;
    AwaitEnd(child.info.dwProcessId);
    EXPECT_EQ(ProcessState(child.info.dwProcessId), 'Z') << "ended but not yet waited for";
    CloseHandle(child.info.hThread);
    CloseHandle(child.info.hProcess);
    EXPECT_EQ(ProcessState(child.info.dwProcessId), std::nullopt);
}

// Records the pids the real waitpid reaps, for tests to await.
struct ReapLog {
    std::mutex mutex;
    std::condition_variable changed;
    std::set<pid_t> reaped;
};
ReapLog reapLog;

pid_t RecordingWaitpid(pid_t pid, int* status, int options)
{
    pid_t result = win32::proc::RealCalls().waitpid(pid, status, options);
    if (result > 0) {
        std::lock_guard lock(reapLog.mutex);
        reapLog.reaped.insert(result);
        reapLog.changed.notify_all();
    }
    return result;
}

TEST(ProcessReaping, ChildOutlivingItsHandlesIsReapedWhenItEnds)
{
    testing_support::ScratchDir scratch;
    Gate gate(scratch / "gate");
    auto table = win32::proc::RealCalls();
    table.waitpid = RecordingWaitpid;
    win32::proc::ScopedOverride recording(table);

    auto child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok) << child.error;
    auto pid = static_cast<pid_t>(child.info.dwProcessId);
    EXPECT_TRUE(CloseHandle(child.info.hProcess));
    EXPECT_TRUE(CloseHandle(child.info.hThread));
    EXPECT_EQ(ProcessState(pid).has_value(), true) << "still running";

    gate.Release();
    std::unique_lock lock(reapLog.mutex);
    EXPECT_TRUE(reapLog.changed.wait_for(lock, std::chrono::seconds(10), [&] { return reapLog.reaped.count(pid) > 0; }));
    EXPECT_EQ(ProcessState(pid), std::nullopt);
}

// Fails every call of one kind with `failure` for the first `count` calls.
struct Injected {
    static inline int error = 0;
    static inline int callsLeft = 0;
    static bool Fail()
    {
        if (callsLeft == 0) return false;
        --callsLeft;
        errno = error;
        return true;
    }
};

pid_t FlakyWaitpid(pid_t pid, int* status, int options)
{
    if (Injected::Fail()) return -1;
    return win32::proc::RealCalls().waitpid(pid, status, options);
}

int FlakyPoll(pollfd* fds, nfds_t count, int timeout)
{
    if (Injected::Fail()) return -1;
    return win32::proc::RealCalls().poll(fds, count, timeout);
}

TEST(ProcessWaitFaults, InterruptedCallsAreRetried)
{
    auto table = win32::proc::RealCalls();
    table.waitpid = FlakyWaitpid;
    table.poll = FlakyPoll;
    win32::proc::ScopedOverride flaky(table);
    Injected::error = EINTR;
    Injected::callsLeft = 3;
    auto child = Start("/bin/sh -c \"exit 5\"");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 5u);
    Injected::callsLeft = 0;
}

TEST(ProcessWaitFaults, FailingPollIsReportedAsWaitFailed)
{
    testing_support::ScratchDir scratch;
    Gate gate(scratch / "gate");
    auto child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok) << child.error;
    {
        auto table = win32::proc::RealCalls();
        table.poll = FlakyPoll;
        win32::proc::ScopedOverride flaky(table);
        Injected::error = ENOMEM;
        Injected::callsLeft = 1;
        SetLastError(0);
        EXPECT_EQ(WaitForSingleObject(child.info.hProcess, INFINITE), WAIT_FAILED);
        EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
        Injected::callsLeft = 0;
    }
    gate.Release();
    EXPECT_EQ(Finish(child.info), 0u);
}

// Reports its timeout once, then fails, so a wait that polls on after the
// report ends at once instead of hanging.
int pollsSeen = 0;
int TimeoutThenFailingPoll(pollfd*, nfds_t, int)
{
    if (pollsSeen++ == 0) return 0;
    errno = ENOMEM;
    return -1;
}

TEST(ProcessWaitFaults, APollReportingItsTimeoutEndsTheWait)
{
    testing_support::ScratchDir scratch;
    Gate gate(scratch / "gate");
    auto child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok) << child.error;
    {
        auto table = win32::proc::RealCalls();
        table.poll = TimeoutThenFailingPoll;
        win32::proc::ScopedOverride timingOut(table);
        pollsSeen = 0;
        EXPECT_EQ(WaitForSingleObject(child.info.hProcess, 0x7FFFFFFE), static_cast<DWORD>(WAIT_TIMEOUT));
        EXPECT_EQ(pollsSeen, 1);
    }
    gate.Release();
    EXPECT_EQ(Finish(child.info), 0u);
}

}  // namespace
