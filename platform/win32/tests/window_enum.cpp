#include <winuser.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <window_x11.h>

#include "../foreign_windows.h"

#include <locale_guard.h>
#include "process_test_support.h"

namespace {

using namespace win32_test;
using testing_support::LocaleGuard;
namespace x11 = win32::x11;

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

// An X server as Xlib shows it: windows with typed properties; format-32
// items handed out as longs, data to be released with XFree.
struct FakeServer {
    struct Property {
        x11::Atom type;
        int format;
        std::vector<unsigned long> longs;
        std::string bytes;
    };
    std::map<std::string, x11::Atom> atoms{{"_NET_CLIENT_LIST", 300}, {"_NET_WM_PID", 301},
                                           {"_NET_WM_NAME", 302}, {"UTF8_STRING", 303}};
    std::map<x11::Window, std::map<x11::Atom, Property>> windows;
    int opens = 0, closes = 0, outstanding = 0;
    x11::ErrorHandler handler = nullptr;
    const char* openedName = nullptr;

    void Longs(x11::Window w, x11::Atom property, x11::Atom type, std::vector<unsigned long> values)
    {
        windows[w][property] = {type, 32, std::move(values), {}};
    }
    void Text(x11::Window w, x11::Atom property, x11::Atom type, std::string text)
    {
        windows[w][property] = {type, 8, {}, std::move(text)};
    }
};
FakeServer* server = nullptr;
constexpr x11::Window kRoot = 1;
int previousHandlerMark(x11::Display*, x11::ErrorEvent*) { return 7; }

x11::Display* FakeOpen(const char* name)
{
    ++server->opens;
    server->openedName = name;
    return reinterpret_cast<x11::Display*>(server);
}
int FakeClose(x11::Display*)
{
    ++server->closes;
    return 0;
}
x11::Window FakeRoot(x11::Display*) { return kRoot; }
x11::Atom FakeIntern(x11::Display*, const char* name, int onlyIfExists)
{
    EXPECT_TRUE(onlyIfExists);
    auto found = server->atoms.find(name);
    return found == server->atoms.end() ? 0 : found->second;
}
int FakeGetProperty(x11::Display*, x11::Window w, x11::Atom property, long, long, int, x11::Atom type,
                    x11::Atom* actualType, int* format, unsigned long* count, unsigned long* after,
                    unsigned char** data)
{
    *actualType = 0;
    *format = 0;
    *count = *after = 0;
    *data = nullptr;
    auto window = server->windows.find(w);
    if (window == server->windows.end()) return 3;  // BadWindow, caught by the error handler
    auto found = window->second.find(property);
    if (found == window->second.end()) return 0;
    const auto& p = found->second;
    *actualType = p.type;
    *format = p.format;
    if (type != x11::kAnyPropertyType && type != p.type) return 0;
    if (p.format == 32) {
        auto* values = static_cast<unsigned long*>(std::malloc(sizeof(unsigned long) * (p.longs.size() + 1)));
        std::copy(p.longs.begin(), p.longs.end(), values);
        *data = reinterpret_cast<unsigned char*>(values);
        *count = p.longs.size();
    } else {
        auto* bytes = static_cast<char*>(std::malloc(p.bytes.size() + 1));
        std::memcpy(bytes, p.bytes.c_str(), p.bytes.size() + 1);
        *data = reinterpret_cast<unsigned char*>(bytes);
        *count = p.bytes.size();
    }
    ++server->outstanding;
    return 0;
}
int FakeFree(void* data)
{
    --server->outstanding;
    std::free(data);
    return 1;
}
x11::ErrorHandler FakeSetErrorHandler(x11::ErrorHandler handler)
{
    auto previous = server->handler;
    server->handler = handler;
    return previous;
}

class FakeDisplay : public ::testing::Test {
protected:
    FakeDisplay()
        : display_("DISPLAY", ":42"),
          override_(x11::Table{FakeOpen, FakeClose, FakeRoot, FakeIntern, FakeGetProperty, FakeFree,
                               FakeSetErrorHandler})
    {
        server = &fake_;
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
        server = nullptr;
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
