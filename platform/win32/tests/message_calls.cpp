// Posting, peeking, getting and dispatching messages, in Wine's manner: the
// result and the error of each call.
#include <winuser.h>

#include <processthreadsapi.h>
#include <winbase.h>

#include <atomic>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<LONG_PTR>(-1));

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
thread_local std::vector<Received> received;

LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    received.push_back({window, message, wParam, lParam});
    return static_cast<LRESULT>(message) + 1000;
}

class Messages : public ::testing::Test {
protected:
    Messages()
    {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Record;
        windowClass.lpszClassName = "MessagesTestClass";
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, "MessagesTestClass", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        received.clear();
    }
    ~Messages() override
    {
        DestroyWindow(window_);
        MSG left{};
        while (PeekMessageA(&left, nullptr, 0, 0, PM_REMOVE)) {
        }
        UnregisterClassA("MessagesTestClass", nullptr);
    }
    HWND window_ = nullptr;
};

TEST_F(Messages, PostedMessagesComeBackInOrderWithTheirParameters)
{
    ASSERT_NE(window_, nullptr);
    EXPECT_TRUE(PostMessageA(window_, WM_USER + 1, 11, 12));
    EXPECT_TRUE(PostThreadMessageA(GetCurrentThreadId(), WM_USER + 2, 21, 22));
    EXPECT_TRUE(PostMessageA(nullptr, WM_USER + 3, 31, 32)) << "a null window posts to the calling thread";

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_USER + 1u) << "PM_NOREMOVE leaves it first";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, window_);
    EXPECT_EQ(msg.wParam, 11u);
    EXPECT_EQ(msg.lParam, 12);
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.message, WM_USER + 2u);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "the queue is empty";
    EXPECT_TRUE(received.empty()) << "taking a message does not dispatch it";
}

TEST_F(Messages, FiltersByWindowAndRangeLeaveTheRestQueued)
{
    PostThreadMessageA(GetCurrentThreadId(), WM_USER + 1, 0, 0);
    PostMessageA(window_, WM_USER + 2, 0, 0);
    PostMessageA(window_, WM_USER + 9, 0, 0);

    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, window_, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 2u) << "the window's first message, past a thread message";
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_USER + 5, WM_USER + 10, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 9u);
    EXPECT_FALSE(PeekMessageA(&msg, window_, 0, 0, PM_REMOVE));
    ASSERT_TRUE(PeekMessageA(&msg, kThreadOnly, 0, 0, PM_REMOVE)) << "(HWND)-1 takes thread messages";
    EXPECT_EQ(msg.message, WM_USER + 1u);
}

TEST_F(Messages, DispatchCallsTheWindowProcedureAndSendCallsItAtOnce)
{
    PostMessageA(window_, WM_USER + 4, 41, 42);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(DispatchMessageA(&msg), static_cast<LRESULT>(WM_USER + 4 + 1000));
    EXPECT_EQ(SendMessageA(window_, WM_USER + 5, 51, 52), static_cast<LRESULT>(WM_USER + 5 + 1000));
    ASSERT_EQ(received.size(), 2u);
    EXPECT_EQ(received[0].window, window_);
    EXPECT_EQ(received[0].wParam, 41u);
    EXPECT_EQ(received[1].lParam, 52);

    MSG threadMessage{};
    threadMessage.message = WM_USER;
    EXPECT_EQ(DispatchMessageA(&threadMessage), 0) << "a thread message has no procedure";
    EXPECT_EQ(received.size(), 2u);
    EXPECT_FALSE(TranslateMessage(&msg));
}

TEST_F(Messages, QuitEndsGetMessageWithItsCode)
{
    PostQuitMessage(7);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, WM_USER, WM_USER), 0) << "WM_QUIT passes any range";
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
}

TEST_F(Messages, BadWindowsAndThreadsAreRefused)
{
    const HWND bogus = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7FFF0));
    SetLastError(0);
    EXPECT_FALSE(PostMessageA(bogus, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0);
    EXPECT_EQ(SendMessageA(bogus, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(0xFFFFFFF0u, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    MSG msg{};
    SetLastError(0);
    EXPECT_EQ(GetMessageA(&msg, bogus, 0, 0), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(PeekMessageA(&msg, bogus, 0, 0, PM_REMOVE));
}

TEST_F(Messages, AnotherThreadsPostWakesGetMessageAndRunsOnTheOwnersThread)
{
    const DWORD owner = GetCurrentThreadId();
    std::thread poster([this, owner] {
        EXPECT_TRUE(PostMessageA(window_, WM_USER + 6, 0, 0)) << "any thread may post to a window";
        EXPECT_TRUE(PostThreadMessageA(owner, WM_USER + 7, 0, 0));
        SetLastError(0);
        EXPECT_EQ(SendMessageA(window_, WM_USER, 0, 0), 0) << "no sending across threads";
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    });
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, window_, 0, 0), TRUE);
    DispatchMessageA(&msg);
    ASSERT_EQ(GetMessageA(&msg, kThreadOnly, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_USER + 7u);
    poster.join();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, WM_USER + 6u);
}

TEST(ThreadQueues, EndWithTheirThread)
{
    std::atomic<DWORD> id{0};
    std::thread worker([&] {
        MSG msg{};
        PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);  // makes its queue
        id = GetCurrentThreadId();
    });
    worker.join();
    SetLastError(0);
    EXPECT_FALSE(PostThreadMessageA(id, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_THREAD_ID);
    EXPECT_NE(id.load(), GetCurrentThreadId());
}

}  // namespace
