// COM values as the words of trace lines (platform-internal).
#pragma once

#include "wire_protocol.h"

#include <objbase.h>

#include <string>

namespace com {

// "INPROC_SERVER|LOCAL_SERVER"; unknown bits as hexadecimal.
std::string ContextText(DWORD clsctx);
// "SINGLEUSE", "MULTIPLEUSE", or the number.
std::string RegistrationFlagsText(DWORD flags);
// "Invoke", "Release", ...
const char* KindText(wire::Kind kind);

}  // namespace com
