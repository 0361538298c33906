// The window functions against a real X server (Xvfb), the test playing the
// window manager that publishes _NET_CLIENT_LIST.
#include <window_x11.h>

#include "../foreign_windows.h"

#include <cstring>
#include <string>
#include <vector>

#include <dlfcn.h>

#include <gtest/gtest.h>

#include <winuser.h>

#include <virtual_display.h>

#include <locale_guard.h>
#include "process_test_support.h"

namespace {

using namespace win32_test;
using testing_support::LocaleGuard;
namespace x11 = win32::x11;

// The Xlib calls the test needs as the window manager.
struct Xlib {
    void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
    template <typename F>
    F Get(const char* name) const
    {
        return library ? reinterpret_cast<F>(dlsym(library, name)) : nullptr;
    }
    x11::Display* (*open)(const char*) = Get<decltype(open)>("XOpenDisplay");
    int (*close)(x11::Display*) = Get<decltype(close)>("XCloseDisplay");
    x11::Window (*root)(x11::Display*) = Get<decltype(root)>("XDefaultRootWindow");
    x11::Atom (*atom)(x11::Display*, const char*, int) = Get<decltype(atom)>("XInternAtom");
    x11::Window (*create)(x11::Display*, x11::Window, int, int, unsigned, unsigned, unsigned, unsigned long,
                          unsigned long) = Get<decltype(create)>("XCreateSimpleWindow");
    int (*destroy)(x11::Display*, x11::Window) = Get<decltype(destroy)>("XDestroyWindow");
    int (*change)(x11::Display*, x11::Window, x11::Atom, x11::Atom, int, int, const unsigned char*, int) =
        Get<decltype(change)>("XChangeProperty");
    int (*sync)(x11::Display*, int) = Get<decltype(sync)>("XSync");
};

// The handle the window functions give a display window.
HWND Handle(x11::Window window) { return win32::user::foreign::HandleOf(window); }

class RealDisplay : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!xlib_.library) GTEST_SKIP() << "libX11 is not installed";
        if (display_.name().empty()) GTEST_SKIP() << "Xvfb could not be started (scripts/install-deps.sh installs it)";
        env_.emplace("DISPLAY", display_.name());
        wm_ = xlib_.open(display_.name().c_str());
        ASSERT_NE(wm_, nullptr);
    }
    void TearDown() override
    {
        if (wm_) xlib_.close(wm_);
    }

    x11::Window NewWindow()
    {
        return xlib_.create(wm_, xlib_.root(wm_), 0, 0, 10, 10, 0, 0, 0);
    }
    void SetLongs(x11::Window w, const char* property, x11::Atom type, std::vector<long> values)
    {
        xlib_.change(wm_, w, xlib_.atom(wm_, property, 0), type, 32, 0,
                     reinterpret_cast<const unsigned char*>(values.data()), static_cast<int>(values.size()));
    }
    void SetText(x11::Window w, const char* property, const char* type, const std::string& text)
    {
        xlib_.change(wm_, w, xlib_.atom(wm_, property, 0), xlib_.atom(wm_, type, 0), 8, 0,
                     reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
    }

    Xlib xlib_;
    testing_support::VirtualDisplay display_;
    std::optional<EnvVar> env_;
    x11::Display* wm_ = nullptr;
};

TEST_F(RealDisplay, WalkFindsTheClientsWithTheirProcessParentAndTitle)
{
    LocaleGuard utf8("en_US.UTF-8");
    x11::Window main = NewWindow(), dialog = NewWindow(), gone = NewWindow();
    SetLongs(main, "_NET_WM_PID", x11::kAtomCardinal, {4242});
    SetText(main, "_NET_WM_NAME", "UTF8_STRING", "narrate \xe8\xbf\x9b\xe7\xa8\x8b");
    SetLongs(dialog, "_NET_WM_PID", x11::kAtomCardinal, {4242});
    SetLongs(dialog, "WM_TRANSIENT_FOR", x11::kAtomWindow, {static_cast<long>(main)});
    SetText(dialog, "WM_NAME", "STRING", "caf\xe9");
    xlib_.destroy(wm_, gone);  // listed, but no longer there
    SetLongs(xlib_.root(wm_), "_NET_CLIENT_LIST", x11::kAtomWindow,
             {static_cast<long>(main), static_cast<long>(gone), static_cast<long>(dialog)});
    xlib_.sync(wm_, 0);

    struct Seen {
        std::vector<HWND> windows;
        std::vector<DWORD> pids;
        std::vector<HWND> parents;
        std::vector<std::string> titles;
    } seen;
    BOOL result = EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto* s = reinterpret_cast<Seen*>(data);
            DWORD pid = 1;
            GetWindowThreadProcessId(window, &pid);
            char title[100] = {};
            GetWindowTextA(window, title, sizeof title);
            s->windows.push_back(window);
            s->pids.push_back(pid);
            s->parents.push_back(GetParent(window));
            s->titles.emplace_back(title);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&seen));
    EXPECT_TRUE(result);
    EXPECT_EQ(seen.windows, (std::vector<HWND>{Handle(main), Handle(gone), Handle(dialog)}));
    EXPECT_EQ(seen.pids, (std::vector<DWORD>{4242, 0, 4242}));
    EXPECT_EQ(seen.parents, (std::vector<HWND>{nullptr, nullptr, Handle(main)}));
    EXPECT_EQ(seen.titles, (std::vector<std::string>{"narrate \xe8\xbf\x9b\xe7\xa8\x8b", "", "caf\xc3\xa9"}));
}

TEST_F(RealDisplay, WindowManagerWithoutClientListMeansNoWindows)
{
    BOOL result = FALSE;
    int visits = 0;
    result = EnumWindows(
        [](HWND, LPARAM data) -> BOOL {
            ++*reinterpret_cast<int*>(data);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&visits));
    EXPECT_TRUE(result);
    EXPECT_EQ(visits, 0);
}

}  // namespace
