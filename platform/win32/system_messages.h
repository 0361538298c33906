// The system's message table (platform-internal): the texts FormatMessageA
// gives for Win32 error codes and HRESULTs.
#pragma once

#include <optional>
#include <string_view>

#include <windef.h>

namespace win32 {

// The text of a message number without its line end; an HRESULT of facility 7
// finds its Win32 code's text. Nothing for a number the table lacks.
std::optional<std::string_view> SystemMessageText(DWORD messageId);

}  // namespace win32
