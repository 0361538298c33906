// The system's message text for a failure status (FormatMessage's wording).
#pragma once

#include <winerror.h>

#include <string>

namespace afx_detail {

std::string StatusText(HRESULT status);
BOOL CopyErrorMessage(const char* text, char* error, UINT maxError);

}  // namespace afx_detail
