#include "SpokenTextOffsets.h"

#include <string>

int AnsiOffsetOfUtf16(const CString& text, long utf16Units)
{
    const std::u16string wide = text.ToWide();
    if (utf16Units <= 0) return 0;
    if (static_cast<std::size_t>(utf16Units) >= wide.size()) return text.GetLength();
    std::u16string prefix = wide.substr(0, static_cast<std::size_t>(utf16Units));
    return CString(prefix.c_str()).GetLength();
}
