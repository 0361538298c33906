#include "window_table.h"

#include "message_queue.h"

#include <processthreadsapi.h>
#include <strings.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

namespace win32::user {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, WindowEntry> windows;
    std::uintptr_t next = 0x10010;
};

// Never destroyed: windows may still be detached while the process exits.
Table& TheTable()
{
    static auto* table = new Table;
    return *table;
}

std::uintptr_t Key(HWND handle) { return reinterpret_cast<std::uintptr_t>(handle); }

}  // namespace

HWND InsertWindow(WindowEntry entry)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    const auto value = table.next;
    table.next += 4;
    table.windows.emplace(value, std::move(entry));
    return reinterpret_cast<HWND>(value);
}

std::optional<WindowEntry> FindWindow(HWND handle)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto found = table.windows.find(Key(handle));
    if (found == table.windows.end()) return std::nullopt;
    return found->second;
}

bool EraseWindow(HWND handle)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    return table.windows.erase(Key(handle)) > 0;
}

bool ChangeWindow(HWND handle, const std::function<void(WindowEntry&)>& change)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto found = table.windows.find(Key(handle));
    if (found == table.windows.end()) return false;
    change(found->second);
    return true;
}

bool ClassHasWindows(const std::string& className)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    for (const auto& [key, entry] : table.windows)
        if (!entry.driver && strcasecmp(entry.className.c_str(), className.c_str()) == 0) return true;
    return false;
}

std::vector<HWND> MessageWindowsOfThread(DWORD thread)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    std::vector<HWND> found;
    for (const auto& [key, entry] : table.windows)
        if (!entry.driver && entry.thread == thread) found.push_back(reinterpret_cast<HWND>(key));
    return found;
}

HWND AttachWindow(WindowDriver& driver, void* window)
{
    CurrentQueue();  // posted messages need the owner's queue
    WindowEntry entry;
    entry.thread = GetCurrentThreadId();
    entry.driver = &driver;
    entry.driverWindow = window;
    return InsertWindow(std::move(entry));
}

void DetachWindow(HWND handle)
{
    auto entry = FindWindow(handle);
    if (!entry || !EraseWindow(handle)) return;
    if (auto queue = QueueOfThread(entry->thread)) queue->Drop(handle);
}

void* DriverWindow(HWND handle, const WindowDriver& driver)
{
    auto entry = FindWindow(handle);
    return entry && entry->driver == &driver ? entry->driverWindow : nullptr;
}

}  // namespace win32::user
