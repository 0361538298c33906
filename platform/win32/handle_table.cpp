#include <handle_table.h>

#include <cstdint>
#include <mutex>
#include <unordered_map>

#include <handleapi.h>
#include <kernel32_real.h>
#include <winbase.h>

namespace win32::handles {
namespace {

struct Table {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, Object> objects;
    std::uintptr_t next = 0x100;  // multiples of 4, as Windows hands them out
};

// Never destroyed: a handle left open at exit must not start a reaper while
// the process is being torn down.
Table& TheTable()
{
    static auto* table = new Table;
    return *table;
}

}  // namespace

HANDLE Insert(Object object)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto value = table.next;
    table.next += 4;
    table.objects.emplace(value, std::move(object));
    return reinterpret_cast<HANDLE>(value);
}

std::optional<Object> Find(HANDLE handle)
{
    auto& table = TheTable();
    std::lock_guard lock(table.mutex);
    auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == table.objects.end()) return std::nullopt;
    return found->second;
}

bool Remove(HANDLE handle)
{
    Object removed;
    {
        auto& table = TheTable();
        std::lock_guard lock(table.mutex);
        auto found = table.objects.find(reinterpret_cast<std::uintptr_t>(handle));
        if (found == table.objects.end()) return false;
        removed = std::move(found->second);
        table.objects.erase(found);
    }
    return true;  // `removed` ends here, outside the lock: reaping may take a call or two
}

}  // namespace win32::handles

BOOL win32::kernel32::real::CloseHandle(HANDLE object)
{
    if (!win32::handles::Remove(object)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
