// GUID: the 16-byte identifier of COM classes and interfaces.
#pragma once

#include <windef.h>

#include <optional>
#include <string>
#include <string_view>

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];

    friend bool operator==(const GUID&, const GUID&) = default;
};

using IID = GUID;
using CLSID = GUID;
using REFGUID = const GUID&;
using REFIID = const IID&;
using REFCLSID = const CLSID&;

inline constexpr GUID GUID_NULL{};
inline constexpr IID IID_NULL{};
inline constexpr CLSID CLSID_NULL{};

inline bool IsEqualGUID(REFGUID a, REFGUID b) { return a == b; }
inline bool IsEqualIID(REFIID a, REFIID b) { return a == b; }
inline bool IsEqualCLSID(REFCLSID a, REFCLSID b) { return a == b; }

// "{96749377-3391-11D2-9EE3-00C04F797396}" form, braces optional, any case.
std::optional<GUID> ParseGuid(std::string_view text);
// Registry form: braces and upper-case hex digits.
std::string FormatGuid(REFGUID guid);

// Compile-time GUID from its registry form, for the identifier tables.
consteval GUID MakeGuid(const char (&text)[39])
{
    auto hex = [&](int from, int digits) {
        unsigned long long value = 0;
        for (int i = from; i < from + digits; ++i) {
            char c = text[i];
            int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                : c >= 'A' && c <= 'F' ? c - 'A' + 10 : throw "not a hex digit";
            value = value * 16 + static_cast<unsigned>(d);
        }
        return value;
    };
    if (text[0] != '{' || text[9] != '-' || text[14] != '-' || text[19] != '-' || text[24] != '-'
        || text[37] != '}')
        throw "not a GUID in registry form";
    GUID g{};
    g.Data1 = static_cast<DWORD>(hex(1, 8));
    g.Data2 = static_cast<WORD>(hex(10, 4));
    g.Data3 = static_cast<WORD>(hex(15, 4));
    g.Data4[0] = static_cast<BYTE>(hex(20, 2));
    g.Data4[1] = static_cast<BYTE>(hex(22, 2));
    for (int i = 0; i < 6; ++i)
        g.Data4[2 + i] = static_cast<BYTE>(hex(25 + 2 * i, 2));
    return g;
}
