// A failure status in the system's words: the one wording that the framework's
// exception messages and the programs' failure lines share.
#pragma once

#include <winerror.h>

#include <string>

namespace com {

// The system's text for `status` (FormatMessageA) without its line end:
// "Access is denied."; empty when the system has no text for it.
std::string SystemStatusText(HRESULT status);

// `status` in hex as messages show it: "0x80070005".
std::string StatusCode(HRESULT status);

// The system's text, or for a status it has no text for
// "Unknown error (0x80041234)".
std::string StatusText(HRESULT status);

}  // namespace com
