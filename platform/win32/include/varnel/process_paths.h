// Paths of the running process (platform-internal).
#pragma once

#include <optional>
#include <string>

namespace win32 {

// The current directory; nullopt with errno set when it cannot be read.
std::optional<std::string> CurrentDirectory();
// The running executable's full path; nullopt with errno set on failure.
std::optional<std::string> ExecutablePath();

}  // namespace win32
