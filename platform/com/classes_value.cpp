#include "classes_value.h"

#include <winreg.h>

namespace com {

std::optional<std::string> ClassesDefaultValue(const std::string& subKey)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return std::nullopt;
    std::optional<std::string> value;
    DWORD type = 0, size = 0;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size) == ERROR_SUCCESS
        && type == REG_SZ) {
        std::string text(size, '\0');
        if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size)
            == ERROR_SUCCESS) {
            text.resize(text.find('\0') == std::string::npos ? size : text.find('\0'));
            value = std::move(text);
        }
    }
    RegCloseKey(key);
    return value;
}

}  // namespace com
