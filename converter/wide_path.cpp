#include "wide_path.h"

#include <winnls.h>

namespace narrate {

std::optional<std::u16string> WidePath(const char* path)
{
    if (!path) return std::nullopt;
    int units = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (units <= 0) return std::nullopt;
    std::u16string wide(static_cast<std::size_t>(units), u'\0');
    if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), units) != units) return std::nullopt;
    wide.pop_back();  // the terminator; the string keeps its own
    return wide;
}

}  // namespace narrate
