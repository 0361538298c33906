#include "wide_text.h"

#include <objbase.h>
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

void AppendUtf8(std::string& out, std::u16string_view piece)
{
    const int length = static_cast<int>(piece.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, piece.data(), length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, piece.data(), length, out.data() + at, bytes, nullptr, nullptr);
}

void AppendUtf16(std::u16string& out, std::string_view piece)
{
    const int length = static_cast<int>(piece.size());
    const int units = MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, nullptr, 0);
    if (units <= 0) return;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(units));
    MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, out.data() + at, units);
}

}  // namespace

std::string Utf16ToUtf8(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        std::size_t size = std::min(text.size(), kPiece);
        if (size < text.size() && IsLeadSurrogate(text[size - 1])) --size;
        AppendUtf8(out, text.substr(0, size));
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
        AppendUtf16(out, text.substr(0, size));
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
