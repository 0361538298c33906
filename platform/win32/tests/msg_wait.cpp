// Waiting for processes and the thread's queue together.
#include <winuser.h>

#include <handleapi.h>
#include <processthreadsapi.h>
#include <synchapi.h>
#include <winbase.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include "process_test_support.h"

namespace {

using namespace win32_test;

void DrainQueue()
{
    MSG msg{};
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    }
}

TEST(MsgWaitForMultipleObjects, QueuedInputWakesTheWait)
{
    DrainQueue();
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_ALLINPUT), WAIT_TIMEOUT);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, FALSE, 0, QS_KEY), WAIT_TIMEOUT)
        << "a posted message is not key input";
    DrainQueue();
}

TEST(MsgWaitForMultipleObjects, AnEndedProcessComesBeforeInput)
{
    testing_support::ScratchDir scratch;
    Gate gate(scratch / "gate");
    Started child = Start(gate.commandLine());
    ASSERT_TRUE(child.ok);
    HANDLE handles[] = {child.info.hProcess};
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0 + 1)
        << "the child still runs: the input wakes it";
    DrainQueue();
    gate.Release();
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, handles, FALSE, INFINITE, QS_ALLINPUT), WAIT_OBJECT_0);
    DrainQueue();
    EXPECT_EQ(Finish(child.info), 0u);
}

TEST(MsgWaitForMultipleObjects, BadArgumentsFail)
{
    HANDLE bogus[] = {reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(0xFFF0))};
    SetLastError(0);
    EXPECT_EQ(MsgWaitForMultipleObjects(1, bogus, FALSE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    SetLastError(0);
    EXPECT_EQ(MsgWaitForMultipleObjects(0, nullptr, TRUE, 0, QS_ALLINPUT), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

}  // namespace
