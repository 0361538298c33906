// Test support: an X server as Xlib shows it, for the window functions. Windows
// carry typed properties; format-32 items are handed out as longs, data is
// released with XFree. Every property read is logged.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include <window_x11.h>

namespace win32_test {

namespace x11 = win32::x11;

struct FakeServer {
    struct Property {
        x11::Atom type;
        int format;
        std::vector<unsigned long> longs;
        std::string bytes;
    };
    static constexpr x11::Window kRoot = 1;
    static constexpr x11::Atom kClientList = 300, kPid = 301, kNetWmName = 302, kUtf8String = 303;

    std::map<std::string, x11::Atom> atoms{{"_NET_CLIENT_LIST", kClientList}, {"_NET_WM_PID", kPid},
                                           {"_NET_WM_NAME", kNetWmName}, {"UTF8_STRING", kUtf8String}};
    std::map<x11::Window, std::map<x11::Atom, Property>> windows;
    std::vector<std::pair<x11::Window, x11::Atom>> reads;  // every property asked for, in order
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
    // The windows whose `property` was read, in order of the reads.
    std::vector<x11::Window> ReadersOf(x11::Atom property) const
    {
        std::vector<x11::Window> readers;
        for (const auto& [window, read] : reads)
            if (read == property) readers.push_back(window);
        return readers;
    }

    // The table whose calls reach the server in force (`current`).
    static x11::Table Calls()
    {
        return {&Open, &Close, &Root, &Intern, &GetProperty, &Free, &SetErrorHandler};
    }
    static inline FakeServer* current = nullptr;

private:
    static x11::Display* Open(const char* name)
    {
        ++current->opens;
        current->openedName = name;
        return reinterpret_cast<x11::Display*>(current);
    }
    static int Close(x11::Display*)
    {
        ++current->closes;
        return 0;
    }
    static x11::Window Root(x11::Display*) { return kRoot; }
    static x11::Atom Intern(x11::Display*, const char* name, int onlyIfExists)
    {
        EXPECT_TRUE(onlyIfExists);
        auto found = current->atoms.find(name);
        return found == current->atoms.end() ? 0 : found->second;
    }
    static int GetProperty(x11::Display*, x11::Window w, x11::Atom property, long, long, int, x11::Atom type,
                           x11::Atom* actualType, int* format, unsigned long* count, unsigned long* after,
                           unsigned char** data)
    {
        current->reads.emplace_back(w, property);
        *actualType = 0;
        *format = 0;
        *count = *after = 0;
        *data = nullptr;
        auto window = current->windows.find(w);
        if (window == current->windows.end()) return 3;  // BadWindow, caught by the error handler
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
        ++current->outstanding;
        return 0;
    }
    static int Free(void* data)
    {
        --current->outstanding;
        std::free(data);
        return 1;
    }
    static x11::ErrorHandler SetErrorHandler(x11::ErrorHandler handler)
    {
        auto previous = current->handler;
        current->handler = handler;
        return previous;
    }
};

}  // namespace win32_test
