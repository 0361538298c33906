#include "SettingsText.h"

#include <vector>

#include <windows.h>

namespace {

bool ConvertsCleanly(const char* text, int length)
{
    return length == 0 || MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, nullptr, 0) > 0;
}

}  // namespace

CString SettingsTextValue(const CString& text)
{
    CString value('"');
    for (int i = 0; i < text.GetLength(); ++i) {
        char ch = text[i];
        if (ch == '\r' && text[i + 1] == '\n') continue;  // the LF that follows gives the blank
        value += (ch == '\r' || ch == '\n') ? ' ' : ch;
    }
    value += '"';
    return value;
}

CString CutOnCharacterBoundary(const CString& text, int maxBytes)
{
    if (text.GetLength() <= maxBytes) return text;
    // Text that is not valid in the code page has no boundaries to keep.
    if (!ConvertsCleanly(text.GetString(), text.GetLength())) return text.Left(maxBytes);
    int length = maxBytes;
    while (length > 0 && !ConvertsCleanly(text.GetString(), length)) --length;
    return text.Left(length);
}

CString ReadSettingsText(LPCSTR section, LPCSTR key, LPCSTR defaultValue, LPCSTR fileName)
{
    for (DWORD size = kSettingsTextLimit + 1;; size *= 2) {
        std::vector<char> buffer(size);
        DWORD length = GetPrivateProfileStringA(section, key, defaultValue, buffer.data(), size, fileName);
        if (length + 1 < size || size >= (1u << 24))
            return CutOnCharacterBoundary(CString(buffer.data(), static_cast<int>(length)), kSettingsTextLimit);
    }
}
