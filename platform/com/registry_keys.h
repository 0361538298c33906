// Open registry keys behind HKEY values (platform-internal).
#pragma once

#include "registry_store.h"

#include <winreg.h>

#include <optional>
#include <string>
#include <string_view>

namespace com::registry {

struct KeyRef {
    HiveId hive;
    std::string path;  // "" for the tree's root
    REGSAM access;
};

// The key an HKEY names: a predefined root or a key opened and not yet closed.
std::optional<KeyRef> ResolveKey(HKEY key);
// A new handle for ref; nullptr when memory runs out.
HKEY OpenHandle(const KeyRef& ref);
// False for a handle that is not open (predefined roots close without effect).
bool CloseHandle(HKEY key);

// The key at subKey below base. HKEY_CURRENT_USER\Software\Classes is the classes tree.
// Nothing when subKey is not a valid path (empty parts, parts over 255 characters).
std::optional<KeyRef> SubKey(const KeyRef& base, std::string_view subKey, REGSAM access);

}  // namespace com::registry
