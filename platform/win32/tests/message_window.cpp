// Window classes and message-only windows.
#include <winuser.h>

#include <processthreadsapi.h>
#include <winbase.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::vector<UINT> seen;

LRESULT CALLBACK Note(HWND, UINT message, WPARAM, LPARAM)
{
    seen.push_back(message);
    return 0;
}

LRESULT CALLBACK Other(HWND, UINT, WPARAM, LPARAM) { return 99; }

class WindowClass : public ::testing::Test {
protected:
    WindowClass()
    {
        seen.clear();
        windowClass_.lpfnWndProc = Note;
        windowClass_.lpszClassName = "WindowClassTest";
    }
    ~WindowClass() override { UnregisterClassA("WindowClassTest", nullptr); }
    HWND Make() const
    {
        return CreateWindowExA(0, "windowclasstest", "name", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    }
    WNDCLASSA windowClass_{};
};

TEST_F(WindowClass, RegisteringTwiceAndBadClassesFail)
{
    EXPECT_NE(RegisterClassA(&windowClass_), 0);
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&windowClass_), 0);
    EXPECT_EQ(GetLastError(), ERROR_CLASS_ALREADY_EXISTS);

    WNDCLASSA noProcedure{};
    noProcedure.lpszClassName = "NoProcedure";
    SetLastError(0);
    EXPECT_EQ(RegisterClassA(&noProcedure), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegisterClassA(nullptr), 0);

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("NeverRegistered", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_DOES_NOT_EXIST);
}

TEST_F(WindowClass, OnlyMessageOnlyWindowsOfKnownClassesAreMade)
{
    SetLastError(0);
    EXPECT_EQ(Make(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_CANNOT_FIND_WND_CLASS);
    RegisterClassA(&windowClass_);
    SetLastError(0);
    EXPECT_EQ(CreateWindowExA(0, "WindowClassTest", "", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER) << "the framework makes the windows that show";
}

TEST_F(WindowClass, AWindowLivesUntilDestroyedAndItsClassStaysMeanwhile)
{
    RegisterClassA(&windowClass_);
    HWND window = Make();
    ASSERT_NE(window, nullptr) << "class names ignore ASCII case";
    EXPECT_TRUE(IsWindow(window));
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(ShowWindow(window, SW_SHOW)) << "message-only windows never show";
    EXPECT_EQ(GetParent(window), nullptr);
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(window, &process), GetCurrentThreadId());
    EXPECT_EQ(process, GetCurrentProcessId());

    SetLastError(0);
    EXPECT_FALSE(UnregisterClassA("WindowClassTest", nullptr));
    EXPECT_EQ(GetLastError(), ERROR_CLASS_HAS_WINDOWS);

    PostMessageA(window, WM_USER, 0, 0);
    EXPECT_TRUE(DestroyWindow(window));
    EXPECT_EQ(seen, std::vector<UINT>{WM_DESTROY});
    EXPECT_FALSE(IsWindow(window));
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) << "its queued messages went with it";
    SetLastError(0);
    EXPECT_FALSE(DestroyWindow(window));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_TRUE(UnregisterClassA("WindowClassTest", nullptr));
    EXPECT_NE(RegisterClassA(&windowClass_), 0) << "the name is free again";
}

TEST_F(WindowClass, UserDataAndProcedureAreTheWindows)
{
    RegisterClassA(&windowClass_);
    HWND window = Make();
    EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, 1234), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 1234);
    EXPECT_EQ(SetWindowLongPtrA(window, GWLP_USERDATA, 5), 1234);
    auto previous = SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Other));
    EXPECT_EQ(previous, reinterpret_cast<LONG_PTR>(Note));
    EXPECT_EQ(SendMessageA(window, WM_USER, 0, 0), 99);
    SetWindowLongPtrA(window, GWLP_WNDPROC, previous);
    SetLastError(0);
    EXPECT_EQ(GetWindowLongPtrA(reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x7FFF0)), GWLP_USERDATA), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    DestroyWindow(window);
}

TEST_F(WindowClass, AnotherThreadCannotDestroyAWindowAndItsWindowsEndWithIt)
{
    RegisterClassA(&windowClass_);
    HWND mine = Make();
    HWND theirs = nullptr;
    std::thread other([&] {
        SetLastError(0);
        EXPECT_FALSE(DestroyWindow(mine));
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
        theirs = Make();
        EXPECT_TRUE(IsWindow(theirs));
    });
    other.join();
    EXPECT_TRUE(IsWindow(mine));
    EXPECT_FALSE(IsWindow(theirs)) << "a thread's windows end with it";
    DestroyWindow(mine);
    EXPECT_TRUE(UnregisterClassA("WindowClassTest", nullptr));
}

}  // namespace
