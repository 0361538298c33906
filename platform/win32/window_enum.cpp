#include <winuser.h>

#include <cstdint>
#include <memory>
#include <string>

#include <codepage.h>
#include <window_x11.h>
#include <winnls.h>

namespace {

using win32::x11::Connection;
using win32::x11::Window;

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

Window WindowOf(HWND window) { return static_cast<Window>(reinterpret_cast<std::uintptr_t>(window)); }
HWND HandleOf(Window window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }

// UTF-8 text in the ANSI code page.
std::string ToAnsi(const std::string& utf8)
{
    UINT codePage = GetACP();
    if (codePage == CP_UTF8 || utf8.empty()) return utf8;
    int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (units <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return {};
    std::string ansi(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), units, ansi.data(), bytes, nullptr, nullptr);
    return ansi;
}

}  // namespace

BOOL EnumWindows(WNDENUMPROC callback, LPARAM data)
{
    if (!callback) return TRUE;
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

DWORD GetWindowThreadProcessId(HWND window, DWORD* processId)
{
    ConnectionForCall connection;
    auto pid = window ? connection->ProcessId(WindowOf(window)) : std::nullopt;
    DWORD id = pid ? static_cast<DWORD>(*pid) : 0;
    if (processId) *processId = id;
    return id;
}

HWND GetParent(HWND window)
{
    if (!window) return nullptr;
    ConnectionForCall connection;
    auto owner = connection->TransientFor(WindowOf(window));
    return owner ? HandleOf(*owner) : nullptr;
}

int GetWindowTextA(HWND window, LPSTR text, int maxCount)
{
    if (!text || maxCount < 1) return 0;
    text[0] = '\0';
    if (!window) return 0;
    ConnectionForCall connection;
    auto title = connection->Title(WindowOf(window));
    if (!title) return 0;
    std::string ansi = ToAnsi(*title);
    auto length = win32::nls::CharacterBoundary(GetACP(), ansi, static_cast<std::size_t>(maxCount - 1));
    ansi.copy(text, length);
    text[length] = '\0';
    return static_cast<int>(length);
}
