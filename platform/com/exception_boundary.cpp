#include <varnel/com_object.h>

#include <new>

HRESULT HresultFromCaughtException() noexcept
{
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}
