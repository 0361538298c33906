// Reading a default value below HKEY_CLASSES_ROOT (platform-internal).
#pragma once

#include <optional>
#include <string>

namespace com {

// The string default value of HKEY_CLASSES_ROOT\<subKey>, when the key has one.
std::optional<std::string> ClassesDefaultValue(const std::string& subKey);

}  // namespace com
