// A user at an X display, for end-to-end tests of the real programs: it sees
// top-level windows appear and go, types keys into a window (XTEST, as a
// keyboard would) and asks a window to close as a window manager's close box
// does (WM_DELETE_WINDOW).
#pragma once

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <poll.h>
#include <sys/types.h>

namespace desktop_test {

// Guards against a hang only; no test measures time.
inline constexpr std::chrono::seconds kPatience{60};

class X11Desktop {
public:
    explicit X11Desktop(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str()))
    {
        if (!display_) return;
        // A window may go while it is looked at: that is no reason to end the test.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        root_ = DefaultRootWindow(display_);
        XSelectInput(display_, root_, SubstructureNotifyMask);
        pidAtom_ = XInternAtom(display_, "_NET_WM_PID", False);
        protocolsAtom_ = XInternAtom(display_, "WM_PROTOCOLS", False);
        deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
        XSync(display_, False);
    }
    ~X11Desktop()
    {
        if (display_) XCloseDisplay(display_);
    }
    X11Desktop(const X11Desktop&) = delete;
    X11Desktop& operator=(const X11Desktop&) = delete;

    bool connected() const { return display_ != nullptr; }

    // The next top-level window that maps for process `pid`; nullopt when none
    // comes within the patience.
    std::optional<Window> WaitForWindowOf(pid_t pid)
    {
        for (;;) {
            auto event = NextEvent();
            if (!event) return std::nullopt;
            if (event->type == MapNotify && event->xmap.event == root_ && ProcessOf(event->xmap.window) == pid)
                return event->xmap.window;
        }
    }

    // Waits until `window` holds the input focus; false when it does not. A Qt
    // dialog takes the focus itself once it is mapped, so keys typed into another
    // window before that may land in this one.
    bool WaitForFocus(Window window)
    {
        XSelectInput(display_, window, FocusChangeMask);
        for (;;) {
            Window focus = None;
            int revert = 0;
            XGetInputFocus(display_, &focus, &revert);
            if (focus == window) return true;
            auto event = NextEvent();
            if (!event) return false;
        }
    }

    // Waits until `window` unmaps (hidden or gone); false when it does not.
    bool WaitForUnmap(Window window)
    {
        for (;;) {
            if (unmapped_.erase(window)) return true;
            auto event = NextEvent();
            if (!event) return false;
        }
    }

    // Key presses as from the keyboard, into `window` (given the focus first).
    void Type(Window window, KeySym key, std::vector<KeySym> modifiers = {})
    {
        XSetInputFocus(display_, window, RevertToParent, CurrentTime);
        for (KeySym modifier : modifiers) Press(modifier, true);
        Press(key, true);
        Press(key, false);
        for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it) Press(*it, false);
        XSync(display_, False);
    }

    // What a window manager sends when the user clicks the close box.
    void ClickCloseBox(Window window)
    {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = window;
        close.xclient.message_type = protocolsAtom_;
        close.xclient.format = 32;
        close.xclient.data.l[0] = static_cast<long>(deleteAtom_);
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(display_, window, False, NoEventMask, &close);
        XSync(display_, False);
    }

    bool IsMapped(Window window)
    {
        XWindowAttributes attributes{};
        return XGetWindowAttributes(display_, window, &attributes) && attributes.map_state == IsViewable;
    }

private:
    std::optional<pid_t> ProcessOf(Window window)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display_, window, pidAtom_, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                               &data) != Success)
            return std::nullopt;
        std::optional<pid_t> pid;
        if (data && count == 1 && format == 32) pid = static_cast<pid_t>(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return pid;
    }

    void Press(KeySym key, bool down)
    {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), down ? True : False, CurrentTime);
    }

    // The next event, waiting on the connection; unmaps are remembered.
    std::optional<XEvent> NextEvent()
    {
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        while (!XPending(display_)) {
            auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return std::nullopt;
            pollfd ready{ConnectionNumber(display_), POLLIN, 0};
            poll(&ready, 1, static_cast<int>(left.count()));
        }
        XEvent event{};
        XNextEvent(display_, &event);
        if (event.type == UnmapNotify) unmapped_.insert(event.xunmap.window);
        if (event.type == DestroyNotify) unmapped_.insert(event.xdestroywindow.window);
        return event;
    }

    Display* display_ = nullptr;
    Window root_ = 0;
    Atom pidAtom_ = None, protocolsAtom_ = None, deleteAtom_ = None;
    std::set<Window> unmapped_;
};

}  // namespace desktop_test
