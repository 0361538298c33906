// An exception's message into the caller's buffer, cut to its size.
#pragma once

#include <windef.h>

namespace afx_detail {

BOOL CopyErrorMessage(const char* text, char* error, UINT maxError);

}  // namespace afx_detail
