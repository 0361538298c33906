#include <guiddef.h>

#include <cstdio>

namespace {

constexpr std::size_t kBareLength = 36;  // 8-4-4-4-12 hex digits and four dashes

int HexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsDashPosition(std::size_t i) { return i == 8 || i == 13 || i == 18 || i == 23; }

// Reads `digits` hex digits from text at `from`; the caller has checked them.
unsigned long long HexField(std::string_view text, std::size_t from, std::size_t digits)
{
    unsigned long long value = 0;
    for (std::size_t i = from; i < from + digits; ++i)
        value = value * 16 + static_cast<unsigned>(HexValue(text[i]));
    return value;
}

}  // namespace

std::optional<GUID> ParseGuid(std::string_view text)
{
    if (text.size() == kBareLength + 2) {
        if (text.front() != '{' || text.back() != '}') return std::nullopt;
        text = text.substr(1, kBareLength);
    }
    if (text.size() != kBareLength) return std::nullopt;
    for (std::size_t i = 0; i < kBareLength; ++i) {
        bool ok = IsDashPosition(i) ? text[i] == '-' : HexValue(text[i]) >= 0;
        if (!ok) return std::nullopt;
    }
    GUID guid{};
    guid.Data1 = static_cast<DWORD>(HexField(text, 0, 8));
    guid.Data2 = static_cast<WORD>(HexField(text, 9, 4));
    guid.Data3 = static_cast<WORD>(HexField(text, 14, 4));
    guid.Data4[0] = static_cast<BYTE>(HexField(text, 19, 2));
    guid.Data4[1] = static_cast<BYTE>(HexField(text, 21, 2));
    for (std::size_t i = 0; i < 6; ++i)
        guid.Data4[2 + i] = static_cast<BYTE>(HexField(text, 24 + 2 * i, 2));
    return guid;
}

std::string FormatGuid(REFGUID guid)
{
    char text[39];
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}
