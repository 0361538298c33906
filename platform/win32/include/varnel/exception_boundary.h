// No C++ exception leaves a Win32 function or a COM method: the caller is C-shaped
// code that knows only return values and the last error. A function whose body
// can throw (it allocates, or calls what does) ends in
//     catch (...) { SetLastError(win32::ErrorFromCaughtException()); return FALSE; }
// and a COM method in `catch (...) { return HresultFromCaughtException(); }`
// (<varnel/com_object.h>).
#pragma once

#include <windef.h>

namespace win32 {

// Inside a catch handler: the exception being handled as a Win32 error,
// ERROR_NOT_ENOUGH_MEMORY for std::bad_alloc, ERROR_INTERNAL_ERROR otherwise.
DWORD ErrorFromCaughtException() noexcept;

}  // namespace win32
