#include <window_x11.h>

#include <cstdlib>
#include <mutex>

#include <dlfcn.h>

namespace win32::x11 {
namespace {

constexpr int kSuccess = 0;
constexpr long kLongestProperty = 1 << 22;  // in 32-bit units

template <typename Function>
bool Resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// libX11's table, or nullptr. The library stays loaded for the process.
const Table* LoadLibX11()
{
    static Table table;
    static const Table* loaded = [] () -> const Table* {
        void* library = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
        if (!library) return nullptr;
        bool ok = Resolve(library, "XOpenDisplay", table.openDisplay) &&
                  Resolve(library, "XCloseDisplay", table.closeDisplay) &&
                  Resolve(library, "XDefaultRootWindow", table.defaultRootWindow) &&
                  Resolve(library, "XInternAtom", table.internAtom) &&
                  Resolve(library, "XGetWindowProperty", table.getWindowProperty) &&
                  Resolve(library, "XFree", table.free) &&
                  Resolve(library, "XSetErrorHandler", table.setErrorHandler);
        return ok ? &table : nullptr;
    }();
    return loaded;
}

int IgnoreError(Display*, ErrorEvent*) { return 0; }

}  // namespace

CallSlot<Table>& Slot()
{
    static const Table libX11{};  // stands for the library until it is loaded
    static CallSlot<Table> slot(libX11);
    return slot;
}

const Table* Calls()
{
    const Table& current = Slot().Current();
    if (&current != &Slot().Real()) return &current;
    return LoadLibX11();
}

Connection::Connection()
{
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return;
    calls_ = Calls();
    if (!calls_) return;
    display_ = calls_->openDisplay(name);
    if (display_) previousHandler_ = calls_->setErrorHandler(IgnoreError);
}

Connection::~Connection()
{
    if (!display_) return;
    calls_->closeDisplay(display_);
    calls_->setErrorHandler(previousHandler_);
}

Atom Connection::Intern(const char* name) { return display_ ? calls_->internAtom(display_, name, 1) : 0; }

std::vector<unsigned long> Connection::Longs(Window window, Atom property, Atom type)
{
    std::vector<unsigned long> items;
    if (!display_ || property == 0) return items;
    Atom actualType = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    int status = calls_->getWindowProperty(display_, window, property, 0, kLongestProperty, 0, type, &actualType,
                                           &format, &count, &after, &data);
    if (status == kSuccess && data && actualType == type && format == 32) {
        auto* values = reinterpret_cast<unsigned long*>(data);
        items.assign(values, values + count);
    }
    if (data) calls_->free(data);
    return items;
}

std::optional<std::string> Connection::Bytes(Window window, Atom property, Atom type, Atom& actualType)
{
    if (!display_ || property == 0) return std::nullopt;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    actualType = 0;
    int status = calls_->getWindowProperty(display_, window, property, 0, kLongestProperty, 0, type, &actualType,
                                           &format, &count, &after, &data);
    std::optional<std::string> bytes;
    if (status == kSuccess && data && actualType != 0 && (type == kAnyPropertyType || actualType == type) &&
        format == 8) {
        bytes.emplace(reinterpret_cast<const char*>(data), count);
    }
    if (data) calls_->free(data);
    return bytes;
}

std::vector<Window> Connection::ClientList()
{
    if (!display_) return {};
    return Longs(calls_->defaultRootWindow(display_), Intern("_NET_CLIENT_LIST"), kAtomWindow);
}

std::optional<unsigned long> Connection::ProcessId(Window window)
{
    auto values = Longs(window, Intern("_NET_WM_PID"), kAtomCardinal);
    if (values.empty()) return std::nullopt;
    return values.front();
}

std::optional<Window> Connection::TransientFor(Window window)
{
    auto values = Longs(window, kAtomWmTransientFor, kAtomWindow);
    if (values.empty() || values.front() == 0) return std::nullopt;
    return values.front();
}

std::optional<std::string> Connection::Title(Window window)
{
    if (!display_) return std::nullopt;
    Atom type = 0;
    Atom utf8 = Intern("UTF8_STRING");
    if (utf8 != 0) {
        if (auto title = Bytes(window, Intern("_NET_WM_NAME"), utf8, type)) return title;
    }
    auto title = Bytes(window, kAtomWmName, kAnyPropertyType, type);
    if (!title || type == utf8) return title;
    // STRING (and, roughly, COMPOUND_TEXT) is Latin-1.
    std::string converted;
    for (unsigned char c : *title) {
        if (c < 0x80) {
            converted += static_cast<char>(c);
        } else {
            converted += static_cast<char>(0xC0 | (c >> 6));
            converted += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return converted;
}

}  // namespace win32::x11
