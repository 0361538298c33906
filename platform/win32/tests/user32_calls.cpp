// The window-finding functions answer through their slot: an override is
// called with the caller's arguments and its result returned; without one the
// platform's own function runs.
#include <varnel/user32_calls.h>

#include <gtest/gtest.h>

#include <env_var.h>

namespace {

using win32::user32::RealCalls;
using win32::user32::ScopedOverride;
using win32::user32::Table;

struct Seen {
    const void* first = nullptr;
    const void* second = nullptr;
    long long number = 0;
};
Seen seen;

HWND const kWindow = reinterpret_cast<HWND>(0x6001);
HWND const kOwner = reinterpret_cast<HWND>(0x6002);

BOOL CALLBACK CountWindow(HWND, LPARAM data)
{
    ++*reinterpret_cast<int*>(data);
    return TRUE;
}

TEST(User32Calls, EnumWindowsReachesTheOverride)
{
    Table calls = RealCalls();
    calls.EnumWindows = [](WNDENUMPROC callback, LPARAM data) -> BOOL {
        seen = {reinterpret_cast<const void*>(callback), nullptr, data};
        return callback(kWindow, data) ? TRUE : FALSE;
    };
    ScopedOverride fake(calls);
    int visited = 0;
    EXPECT_TRUE(EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&visited)));
    EXPECT_EQ(seen.first, reinterpret_cast<const void*>(&CountWindow));
    EXPECT_EQ(seen.number, reinterpret_cast<LPARAM>(&visited));
    EXPECT_EQ(visited, 1);
}

TEST(User32Calls, WindowQuestionsReachTheOverride)
{
    Table calls = RealCalls();
    calls.GetWindowThreadProcessId = [](HWND window, DWORD* processId) -> DWORD {
        seen = {window, processId, 0};
        *processId = 42;
        return 43;
    };
    calls.GetParent = [](HWND window) -> HWND {
        seen = {window, nullptr, 0};
        return kOwner;
    };
    calls.GetWindowTextA = [](HWND window, LPSTR text, int maxCount) -> int {
        seen = {window, text, maxCount};
        text[0] = 'T';
        text[1] = '\0';
        return 1;
    };
    ScopedOverride fake(calls);
    DWORD process = 0;
    EXPECT_EQ(GetWindowThreadProcessId(kWindow, &process), 43u);
    EXPECT_EQ(seen.first, kWindow);
    EXPECT_EQ(seen.second, &process);
    EXPECT_EQ(process, 42u);
    seen = {};
    EXPECT_EQ(GetParent(kWindow), kOwner);
    EXPECT_EQ(seen.first, kWindow);
    char title[8] = {};
    EXPECT_EQ(GetWindowTextA(kWindow, title, sizeof title), 1);
    EXPECT_EQ(seen.second, title);
    EXPECT_EQ(seen.number, static_cast<long long>(sizeof title));
    EXPECT_STREQ(title, "T");
}

TEST(User32Calls, WithoutAnOverrideThePlatformAnswers)
{
    testing_support::EnvVar noDisplay("DISPLAY", std::nullopt);
    int visited = 0;
    EXPECT_TRUE(EnumWindows(&CountWindow, reinterpret_cast<LPARAM>(&visited)));
    EXPECT_EQ(visited, 0) << "no display, no windows";
    DWORD process = 7;
    EXPECT_EQ(GetWindowThreadProcessId(kWindow, &process), 0u);
    EXPECT_EQ(process, 0u);
    EXPECT_EQ(GetParent(kWindow), nullptr);
    char title[8] = "x";
    EXPECT_EQ(GetWindowTextA(kWindow, title, sizeof title), 0);
    EXPECT_STREQ(title, "");
}

}  // namespace
