// An ANSI path as UTF-16, of any length.
#pragma once

#include <windef.h>

#include <optional>
#include <string>

namespace narrate {

// The path converted with the ANSI code page; nothing when it cannot be converted.
std::optional<std::u16string> WidePath(const char* path);

}  // namespace narrate
