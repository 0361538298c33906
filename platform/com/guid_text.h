// Between UTF-16 identifiers (GUIDs, ProgIDs) and the runtime's narrow text.
#pragma once

#include <wtypes.h>

#include <optional>
#include <string>

namespace com {

// The text as bytes when every unit is ASCII; identifiers are never anything else.
std::optional<std::string> AsciiFromWide(LPCOLESTR text);
// A copy in a CoTaskMemAlloc block, or null when memory runs out.
LPOLESTR TaskMemWideFromAscii(const std::string& text);

}  // namespace com
