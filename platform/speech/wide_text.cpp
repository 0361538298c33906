#include "wide_text.h"

#include <objbase.h>
#include <varnel/codepage.h>
#include <winnls.h>

#include <algorithm>
#include <cstring>

namespace speech {

// The Win32 layer's code page functions take int lengths: longer texts go in
// pieces that end on a character.
namespace {

constexpr std::size_t kPiece = std::size_t{1} << 30;

bool IsLeadSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsTrailByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t size = std::min(text.size(), kPiece);
        if (size < text.size() && IsLeadSurrogate(text[size - 1])) --size;
        out += win32::nls::FromWide(CP_UTF8, text.substr(0, size));
        text.remove_prefix(size);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view text)
{
    std::u16string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t size = std::min(text.size(), kPiece);
        while (size < text.size() && size > kPiece - 4 && IsTrailByte(text[size])) --size;
        out += win32::nls::ToWide(CP_UTF8, text.substr(0, size));
        text.remove_prefix(size);
    }
    return out;
}

std::u16string_view WideView(LPCWSTR text) { return text ? std::u16string_view(text) : std::u16string_view(); }

LPWSTR CoTaskMemString(std::u16string_view text)
{
    auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
    if (!copy) return nullptr;
    std::memcpy(copy, text.data(), text.size() * sizeof(WCHAR));
    copy[text.size()] = 0;
    return copy;
}

}  // namespace speech
