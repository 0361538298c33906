#include "hresult_text.h"

#include <winbase.h>

#include <cstdio>

namespace afx_detail {

std::string StatusText(HRESULT status)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                  sizeof text, nullptr);
    if (length == 0) {
        std::snprintf(text, sizeof text, "Unknown error 0x%08X.", static_cast<unsigned>(status));
        return text;
    }
    // A message box shows the text alone, without the table's line end.
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
    return std::string(text, length);
}

}  // namespace afx_detail
