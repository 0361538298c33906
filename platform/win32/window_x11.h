// The Xlib calls of the window functions (platform-internal). libX11 is
// loaded at run time, so the platform library (and the console converter)
// needs no display library; without it there simply are no windows.
#pragma once

#include <varnel/call_table.h>

#include <optional>
#include <string>
#include <vector>

namespace win32::x11 {

using win32::CallSlot;
using win32::ScopedCallOverride;

struct Display;  // Xlib's opaque display
struct ErrorEvent;
using Window = unsigned long;
using Atom = unsigned long;
using ErrorHandler = int (*)(Display*, ErrorEvent*);

// Xlib's predefined atoms, fixed by the protocol.
inline constexpr Atom kAnyPropertyType = 0;
inline constexpr Atom kAtomCardinal = 6;
inline constexpr Atom kAtomString = 31;
inline constexpr Atom kAtomWindow = 33;
inline constexpr Atom kAtomWmName = 39;
inline constexpr Atom kAtomWmTransientFor = 68;

// Entries with Xlib's signatures (XOpenDisplay, ...).
struct Table {
    Display* (*openDisplay)(const char* name);
    int (*closeDisplay)(Display* display);
    Window (*defaultRootWindow)(Display* display);
    Atom (*internAtom)(Display* display, const char* name, int onlyIfExists);
    int (*getWindowProperty)(Display* display, Window window, Atom property, long offset, long length,
                             int remove, Atom requestedType, Atom* actualType, int* actualFormat,
                             unsigned long* itemCount, unsigned long* bytesAfter, unsigned char** data);
    int (*free)(void* data);
    ErrorHandler (*setErrorHandler)(ErrorHandler handler);
};

// The slot of the Xlib calls. Its real table only stands for libX11's, which is
// loaded on first use; tests put theirs in force with ScopedOverride.
CallSlot<Table>& Slot();
using ScopedOverride = ScopedCallOverride<Table, Slot>;

// The table in force: a test's override, libX11's, or nullptr when libX11
// cannot be loaded.
const Table* Calls();

// One connection to the display of $DISPLAY. Protocol errors (a window that
// went away meanwhile) are caught while it is open, never fatal.
class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    bool isOpen() const { return display_ != nullptr; }
    // The window manager's _NET_CLIENT_LIST, in its order.
    std::vector<Window> ClientList();
    std::optional<unsigned long> ProcessId(Window window);  // _NET_WM_PID
    std::optional<Window> TransientFor(Window window);       // WM_TRANSIENT_FOR
    std::optional<std::string> Title(Window window);         // UTF-8: _NET_WM_NAME, else WM_NAME

private:
    // Format-32 items (Xlib hands them out as longs) of a property.
    std::vector<unsigned long> Longs(Window window, Atom property, Atom type);
    // The bytes and type of a format-8 property.
    std::optional<std::string> Bytes(Window window, Atom property, Atom type, Atom& actualType);
    Atom Intern(const char* name);

    const Table* calls_ = nullptr;
    Display* display_ = nullptr;
    ErrorHandler previousHandler_ = nullptr;
};

}  // namespace win32::x11
