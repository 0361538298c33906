#include "foreign_windows.h"

#include <cstdint>
#include <memory>
#include <string>

#include <varnel/codepage.h>
#include <window_x11.h>
#include <winnls.h>

namespace win32::user::foreign {
namespace {

using win32::x11::Connection;
using win32::x11::Window;

constexpr std::uintptr_t kForeignTag = std::uintptr_t{1} << 62;

// The connection of the EnumWindows walk in progress on this thread, so the
// callback's window calls reuse it.
thread_local Connection* walkConnection = nullptr;

// The walk's connection, or a connection of its own for the call.
class ConnectionForCall {
public:
    ConnectionForCall()
    {
        if (!walkConnection) own_ = std::make_unique<Connection>();
    }
    Connection& operator*() const { return own_ ? *own_ : *walkConnection; }
    Connection* operator->() const { return &**this; }

private:
    std::unique_ptr<Connection> own_;
};

Window WindowOf(HWND handle) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(handle) & ~kForeignTag); }

}  // namespace

HWND HandleOf(unsigned long xWindow) { return reinterpret_cast<HWND>(kForeignTag | static_cast<std::uintptr_t>(xWindow)); }

bool IsForeign(HWND handle) { return (reinterpret_cast<std::uintptr_t>(handle) & kForeignTag) != 0; }

BOOL Enumerate(WNDENUMPROC callback, LPARAM data)
{
    Connection connection;
    if (!connection.isOpen()) return TRUE;
    Connection* outer = walkConnection;
    walkConnection = &connection;
    BOOL result = TRUE;
    for (Window window : connection.ClientList()) {
        if (!callback(HandleOf(window), data)) {
            result = FALSE;
            break;
        }
    }
    walkConnection = outer;
    return result;
}

bool Listed(HWND handle)
{
    ConnectionForCall connection;
    for (Window window : connection->ClientList())
        if (window == WindowOf(handle)) return true;
    return false;
}

DWORD ProcessId(HWND handle)
{
    ConnectionForCall connection;
    auto pid = connection->ProcessId(WindowOf(handle));
    return pid ? static_cast<DWORD>(*pid) : 0;
}

HWND Owner(HWND handle)
{
    ConnectionForCall connection;
    auto owner = connection->TransientFor(WindowOf(handle));
    return owner ? HandleOf(*owner) : nullptr;
}

std::optional<std::string> Title(HWND handle)
{
    ConnectionForCall connection;
    auto title = connection->Title(WindowOf(handle));
    if (!title) return std::nullopt;
    return win32::nls::Utf8ToAnsi(*title);
}

}  // namespace win32::user::foreign
