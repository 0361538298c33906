#include <varnel/exception_boundary.h>

#include <winbase.h>

#include <new>

namespace win32 {

DWORD ErrorFromCaughtException() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    } catch (...) {
        return ERROR_INTERNAL_ERROR;
    }
}

}  // namespace win32
