#include <winuser.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <window_x11.h>

#include "../foreign_windows.h"

#include <locale_guard.h>
#include "fake_x_server.h"
#include "process_test_support.h"

namespace {

using namespace win32_test;
using testing_support::LocaleGuard;

std::vector<HWND> Walk(int stopAfter = -1, BOOL* result = nullptr)
{
    struct State {
        std::vector<HWND> seen;
        int stopAfter;
    } state{{}, stopAfter};
    BOOL r = EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<State*>(data);
            s->seen.push_back(window);
            return static_cast<int>(s->seen.size()) != s->stopAfter;
        },
        reinterpret_cast<LPARAM>(&state));
    if (result) *result = r;
    return state.seen;
}

// The handle the window functions give a display window.
HWND Handle(x11::Window window) { return win32::user::foreign::HandleOf(window); }

TEST(EnumWindows, WithoutDisplayVisitsNothingAndSucceeds)
{
    EnvVar noDisplay("DISPLAY", std::nullopt);
    BOOL result = FALSE;
    EXPECT_TRUE(Walk(-1, &result).empty());
    EXPECT_TRUE(result);
    char title[8] = "xxxxxxx";
    EXPECT_EQ(GetWindowTextA(Handle(0x400001), title, sizeof title), 0);
    EXPECT_STREQ(title, "");
    DWORD pid = 99;
    EXPECT_EQ(GetWindowThreadProcessId(Handle(0x400001), &pid), 0u);
    EXPECT_EQ(pid, 0u);
    EXPECT_EQ(GetParent(Handle(0x400001)), nullptr);
}

constexpr x11::Window kRoot = FakeServer::kRoot;
int previousHandlerMark(x11::Display*, x11::ErrorEvent*) { return 7; }

class FakeDisplay : public ::testing::Test {
protected:
    FakeDisplay()
        : display_("DISPLAY", ":42"),
          override_(FakeServer::Calls())
    {
        FakeServer::current = &fake_;
        fake_.handler = previousHandlerMark;
        // The converter's console window, an owned dialog of it, another
        // program's window, and one without any properties.
        fake_.Longs(kRoot, 300, x11::kAtomWindow, {0x600001, 0x600002, 0x700001, 0x800001});
        fake_.Longs(0x600001, 301, x11::kAtomCardinal, {4242});
        fake_.Text(0x600001, 302, 303, "narrate \xe8\xbf\x9b\xe7\xa8\x8b");  // 进程
        fake_.Text(0x600001, x11::kAtomWmName, x11::kAtomString, "old name");
        fake_.Longs(0x600002, 301, x11::kAtomCardinal, {4242});
        fake_.Longs(0x600002, x11::kAtomWmTransientFor, x11::kAtomWindow, {0x600001});
        fake_.Text(0x600002, x11::kAtomWmName, x11::kAtomString, "caf\xe9");
        fake_.Longs(0x700001, 301, x11::kAtomCardinal, {77});
        fake_.windows[0x800001];
    }
    ~FakeDisplay() override
    {
        EXPECT_EQ(fake_.opens, fake_.closes);
        EXPECT_EQ(fake_.outstanding, 0) << "every property freed";
        EXPECT_EQ(fake_.handler, previousHandlerMark) << "the error handler put back";
        FakeServer::current = nullptr;
    }
    std::string Title(x11::Window w, int size = 100)
    {
        std::vector<char> buffer(static_cast<std::size_t>(size) + 1, 'x');
        int length = GetWindowTextA(Handle(w), buffer.data(), size);
        EXPECT_EQ(std::strlen(buffer.data()), static_cast<std::size_t>(length));
        EXPECT_EQ(buffer[static_cast<std::size_t>(size)], 'x');
        return buffer.data();
    }

    FakeServer fake_;
    EnvVar display_;
    x11::ScopedOverride override_;
};

TEST_F(FakeDisplay, WalkVisitsTheClientListInOrderOnOneConnection)
{
    BOOL result = FALSE;
    struct Seen {
        std::vector<HWND> windows;
        std::vector<DWORD> pids;
        std::vector<HWND> parents;
    } seen;
    result = EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Seen*>(data);
            DWORD pid = 1;
            GetWindowThreadProcessId(window, &pid);
            s->windows.push_back(window);
            s->pids.push_back(pid);
            s->parents.push_back(GetParent(window));
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_TRUE(result);
    EXPECT_EQ(seen.windows, (std::vector<HWND>{Handle(0x600001), Handle(0x600002), Handle(0x700001), Handle(0x800001)}));
    EXPECT_EQ(seen.pids, (std::vector<DWORD>{4242, 4242, 77, 0}));
    EXPECT_EQ(seen.parents, (std::vector<HWND>{nullptr, Handle(0x600001), nullptr, nullptr}));
    EXPECT_EQ(fake_.opens, 1) << "the callback's calls share the walk's connection";
    EXPECT_STREQ(fake_.openedName, ":42");
}

TEST_F(FakeDisplay, CallbackReturningFalseEndsTheWalk)
{
    BOOL result = TRUE;
    EXPECT_EQ(Walk(2, &result).size(), 2u);
    EXPECT_FALSE(result);
}

TEST_F(FakeDisplay, NoClientListMeansNoWindows)
{
    fake_.windows[kRoot].clear();
    BOOL result = FALSE;
    EXPECT_TRUE(Walk(-1, &result).empty());
    EXPECT_TRUE(result);
}

TEST_F(FakeDisplay, ProcessIdAndParentOutsideAWalk)
{
    EXPECT_EQ(GetWindowThreadProcessId(Handle(0x700001), nullptr), 77u);
    DWORD pid = 5;
    EXPECT_EQ(GetWindowThreadProcessId(Handle(0x999999), &pid), 0u) << "a window that is gone";
    EXPECT_EQ(pid, 0u);
    EXPECT_EQ(GetParent(Handle(0x600002)), Handle(0x600001));
    EXPECT_EQ(GetParent(nullptr), nullptr);
}

TEST_F(FakeDisplay, TitlesPreferTheUtf8NameAndAreCutAtCharacters)
{
    LocaleGuard utf8("en_US.UTF-8");
    EXPECT_EQ(Title(0x600001), "narrate \xe8\xbf\x9b\xe7\xa8\x8b");
    EXPECT_EQ(Title(0x600001, 12), "narrate \xe8\xbf\x9b") << "11 bytes fit: the second character does not";
    EXPECT_EQ(Title(0x600001, 11), "narrate ") << "never half a character";
    EXPECT_EQ(Title(0x600002), "caf\xc3\xa9") << "a Latin-1 WM_NAME";
    EXPECT_EQ(Title(0x800001), "");
    EXPECT_EQ(Title(0x999999), "");
    char one = 'x';
    EXPECT_EQ(GetWindowTextA(Handle(0x600001), &one, 1), 0);
    EXPECT_EQ(one, '\0');
    EXPECT_EQ(GetWindowTextA(Handle(0x600001), &one, 0), 0);
}

TEST_F(FakeDisplay, TitlesComeInTheAnsiCodePage)
{
    LocaleGuard gbk("zh_CN.GBK");
    EXPECT_EQ(Title(0x600001), "narrate \xbd\xf8\xb3\xcc");
    EXPECT_EQ(Title(0x600001, 11), "narrate \xbd\xf8");
    EXPECT_EQ(Title(0x600001, 10), "narrate ");
}

}  // namespace
