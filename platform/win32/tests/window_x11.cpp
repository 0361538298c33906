// The window functions against a real X server (Xvfb), the test playing the
// window manager that publishes _NET_CLIENT_LIST.
#include <window_x11.h>

#include "../foreign_windows.h"

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include <dlfcn.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <winuser.h>

#include "locale_guard.h"
#include "process_test_support.h"

extern char** environ;

namespace {

using namespace win32_test;
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

// A private Xvfb; ready once it has written its display number.
class VirtualDisplay {
public:
    VirtualDisplay()
    {
        int ends[2];
        if (pipe2(ends, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], 3);
        // No standard stream of ours: should the test die, the server must not
        // hold the test runner's output open.
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        // -terminate: the server ends with its last client, even if the test dies.
        const char* argv[] = {"Xvfb", "-displayfd", "3", "-nolisten", "tcp", "-terminate",
                              "-screen", "0", "320x240x24", nullptr};
        int error = posix_spawnp(&pid_, "Xvfb", &actions, nullptr, const_cast<char**>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(ends[1]);
        if (error != 0) {
            pid_ = -1;
            close(ends[0]);
            return;
        }
        std::string number;
        for (;;) {
            pollfd entry{ends[0], POLLIN, 0};
            if (poll(&entry, 1, 30000) != 1) break;
            char c;
            if (read(ends[0], &c, 1) != 1 || c == '\n') break;
            number += c;
        }
        close(ends[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~VirtualDisplay()
    {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;

    const std::string& name() const { return name_; }

private:
    pid_t pid_ = -1;
    std::string name_;
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
    VirtualDisplay display_;
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
