#include <handleapi.h>
#include <processthreadsapi.h>
#include <synchapi.h>
#include <winbase.h>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST(OpenProcess, FindsRunningProcessesOfAnyUserAndNotEndedOnes)
{
    HANDLE self = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId());
    ASSERT_NE(self, nullptr);
    EXPECT_EQ(WaitForSingleObject(self, 0), WAIT_FAILED);  // not a child to wait for
    EXPECT_TRUE(CloseHandle(self));
    HANDLE init = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 1);  // root's, or the namespace's first
    ASSERT_NE(init, nullptr);
    EXPECT_TRUE(CloseHandle(init));

    pid_t child = fork();
    if (child == 0) _exit(0);
    ASSERT_GT(child, 0);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    SetLastError(0);
    EXPECT_EQ(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(child)), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, 0), nullptr);
}

}  // namespace
