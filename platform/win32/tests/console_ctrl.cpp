#include <winbase.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

// What the handlers saw, shared with the handler threads.
struct Log {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::pair<char, DWORD>> calls;  // handler name, event
    std::vector<std::thread::id> threads;

    void Record(char name, DWORD event)
    {
        std::lock_guard lock(mutex);
        calls.emplace_back(name, event);
        threads.push_back(std::this_thread::get_id());
        changed.notify_all();
    }

    bool WaitForCalls(std::size_t count)
    {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, std::chrono::seconds(10), [&] { return calls.size() >= count; });
    }
};

Log* log = nullptr;

BOOL HandlerA(DWORD event)
{
    log->Record('A', event);
    return TRUE;
}

BOOL HandlerB(DWORD event)
{
    log->Record('B', event);
    return event == CTRL_BREAK_EVENT;  // passes Ctrl-C on to the handler added before it
}

class ConsoleCtrl : public ::testing::Test {
protected:
    void SetUp() override { log = &log_; }
    void TearDown() override
    {
        SetConsoleCtrlHandler(HandlerB, FALSE);
        SetConsoleCtrlHandler(HandlerA, FALSE);
        SetConsoleCtrlHandler(nullptr, FALSE);
    }
    Log log_;
};

TEST_F(ConsoleCtrl, HandlersRunOnTheirOwnThreadLastAddedFirst)
{
    ASSERT_TRUE(SetConsoleCtrlHandler(HandlerA, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(HandlerB, TRUE));

    raise(SIGQUIT);  // B takes Ctrl-Break
    ASSERT_TRUE(log_.WaitForCalls(1));
    raise(SIGINT);  // B passes Ctrl-C to A
    ASSERT_TRUE(log_.WaitForCalls(3));

    std::lock_guard lock(log_.mutex);
    std::vector<std::pair<char, DWORD>> expected = {{'B', CTRL_BREAK_EVENT}, {'B', CTRL_C_EVENT}, {'A', CTRL_C_EVENT}};
    EXPECT_EQ(log_.calls, expected);
    for (auto id : log_.threads) EXPECT_NE(id, std::this_thread::get_id());
}

TEST_F(ConsoleCtrl, IgnoringCtrlCDropsItButNotCtrlBreak)
{
    ASSERT_TRUE(SetConsoleCtrlHandler(HandlerA, TRUE));
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, TRUE));
    raise(SIGINT);   // dropped
    raise(SIGQUIT);  // the dispatcher takes the signals in order
    ASSERT_TRUE(log_.WaitForCalls(1));
    ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));
    raise(SIGINT);
    ASSERT_TRUE(log_.WaitForCalls(2));

    std::lock_guard lock(log_.mutex);
    std::vector<std::pair<char, DWORD>> expected = {{'A', CTRL_BREAK_EVENT}, {'A', CTRL_C_EVENT}};
    EXPECT_EQ(log_.calls, expected);
}

TEST_F(ConsoleCtrl, RemovingAnUnknownHandlerFails)
{
    SetLastError(0);
    EXPECT_FALSE(SetConsoleCtrlHandler(HandlerA, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(SetConsoleCtrlHandler(HandlerA, TRUE));
    EXPECT_TRUE(SetConsoleCtrlHandler(HandlerA, FALSE));
    EXPECT_FALSE(SetConsoleCtrlHandler(HandlerA, FALSE));
}

BOOL Decline(DWORD)
{
    fputs("declined\n", stderr);
    return FALSE;
}

BOOL Accept(DWORD)
{
    fputs("accepted\n", stderr);
    return TRUE;
}

[[noreturn]] void WaitForTheEnd()
{
    for (;;) pause();
}

TEST(ConsoleCtrlDeathTest, DeclinedCtrlCEndsTheProcessWithExitCode1)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetConsoleCtrlHandler(Decline, TRUE);
            raise(SIGINT);
            WaitForTheEnd();
        },
        ::testing::ExitedWithCode(1), "declined");
}

TEST(ConsoleCtrlDeathTest, CloseEndsTheProcessAfterTheHandlers)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            SetConsoleCtrlHandler(Accept, TRUE);
            raise(SIGTERM);
            WaitForTheEnd();
        },
        ::testing::ExitedWithCode(1), "accepted");
    EXPECT_EXIT(
        {
            SetConsoleCtrlHandler(Accept, TRUE);
            raise(SIGHUP);
            WaitForTheEnd();
        },
        ::testing::ExitedWithCode(1), "accepted");
}

}  // namespace
