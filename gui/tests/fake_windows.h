// Top-level windows of a test's choosing, shown to the program through the
// Win32 window functions (<varnel/user32_calls.h>) while the object lives.
// Handles it did not make go on to the platform.
#pragma once

#include <varnel/user32_calls.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace gui_test {

struct FakeWindow {
    DWORD processId;
    bool hasParent;  // owned by the first window
    std::string title;
};

class FakeWindows {
public:
    explicit FakeWindows(std::vector<FakeWindow> windows) : windows_(std::move(windows)) { current = this; }
    ~FakeWindows() { current = nullptr; }
    FakeWindows(const FakeWindows&) = delete;
    FakeWindows& operator=(const FakeWindows&) = delete;

    int Walks() const { return walks_; }
    // Positions in the list of the windows whose process or title was asked for.
    const std::vector<int>& ProcessesRead() const { return processesRead_; }
    const std::vector<int>& TitlesRead() const { return titlesRead_; }

private:
    static constexpr std::uintptr_t kFirstHandle = 0x5a5a0000;

    static HWND Handle(std::size_t position) { return reinterpret_cast<HWND>(kFirstHandle + position); }
    std::optional<int> Position(HWND window) const
    {
        const auto value = reinterpret_cast<std::uintptr_t>(window);
        if (value < kFirstHandle || value >= kFirstHandle + windows_.size()) return std::nullopt;
        return static_cast<int>(value - kFirstHandle);
    }

    static BOOL EnumWindows(WNDENUMPROC callback, LPARAM data)
    {
        ++current->walks_;
        for (std::size_t i = 0; i < current->windows_.size(); ++i)
            if (!callback(Handle(i), data)) return FALSE;
        return TRUE;
    }
    static DWORD GetWindowThreadProcessId(HWND window, DWORD* processId)
    {
        std::optional<int> position = current->Position(window);
        if (!position) return win32::user32::RealCalls().GetWindowThreadProcessId(window, processId);
        current->processesRead_.push_back(*position);
        const DWORD process = current->windows_[static_cast<std::size_t>(*position)].processId;
        if (processId) *processId = process;
        return process;
    }
    static HWND GetParent(HWND window)
    {
        std::optional<int> position = current->Position(window);
        if (!position) return win32::user32::RealCalls().GetParent(window);
        return current->windows_[static_cast<std::size_t>(*position)].hasParent ? Handle(0) : nullptr;
    }
    static int GetWindowTextA(HWND window, LPSTR text, int maxCount)
    {
        std::optional<int> position = current->Position(window);
        if (!position) return win32::user32::RealCalls().GetWindowTextA(window, text, maxCount);
        current->titlesRead_.push_back(*position);
        if (!text || maxCount < 1) return 0;
        const std::string& title = current->windows_[static_cast<std::size_t>(*position)].title;
        const std::size_t length = std::min(title.size(), static_cast<std::size_t>(maxCount - 1));
        std::memcpy(text, title.data(), length);
        text[length] = '\0';
        return static_cast<int>(length);
    }
    static win32::user32::Table Calls()
    {
        win32::user32::Table calls = win32::user32::RealCalls();
        calls.EnumWindows = &EnumWindows;
        calls.GetWindowThreadProcessId = &GetWindowThreadProcessId;
        calls.GetParent = &GetParent;
        calls.GetWindowTextA = &GetWindowTextA;
        return calls;
    }

    static inline FakeWindows* current = nullptr;
    std::vector<FakeWindow> windows_;
    int walks_ = 0;
    std::vector<int> processesRead_, titlesRead_;
    win32::user32::ScopedOverride override_{Calls()};
};

}  // namespace gui_test
