#include <varnel/status_text.h>

#include <winbase.h>

#include <cstdio>

namespace com {

std::string SystemStatusText(HRESULT status)
{
    char text[512];
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  static_cast<DWORD>(status), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text,
                                  sizeof text, nullptr);
    while (length > 0 && (text[length - 1] == '\r' || text[length - 1] == '\n' || text[length - 1] == ' ')) --length;
    return std::string(text, length);
}

std::string StatusCode(HRESULT status)
{
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", static_cast<unsigned>(status));
    return code;
}

std::string StatusText(HRESULT status)
{
    std::string text = SystemStatusText(status);
    return text.empty() ? "Unknown error (" + StatusCode(status) + ")" : text;
}

}  // namespace com
