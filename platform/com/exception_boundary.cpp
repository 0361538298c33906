#include <varnel/com_object.h>
#include <varnel/exception_boundary.h>

#include <winbase.h>

HRESULT HresultFromCaughtException() noexcept
{
    return win32::ErrorFromCaughtException() == ERROR_NOT_ENOUGH_MEMORY ? E_OUTOFMEMORY : E_UNEXPECTED;
}
