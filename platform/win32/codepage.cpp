#include <varnel/codepage.h>

#include <atomic>
#include <climits>
#include <cstdlib>
#include <string>

#include <winnls.h>

namespace win32::nls {
namespace {

struct CodePageName {
    const char* normalized;  // lower case, without '-' and '_'
    UINT codePage;
};

const CodePageName kCharsets[] = {
    {"utf8", CP_UTF8},       {"gbk", 936},         {"cp936", 936},       {"gb2312", 936},
    {"euccn", 936},          {"gb18030", 54936},   {"big5", 950},        {"big5hkscs", 950},
    {"cp950", 950},          {"sjis", 932},        {"shiftjis", 932},    {"cp932", 932},
    {"eucjp", 20932},        {"euckr", 949},       {"cp949", 949},       {"uhc", 949},
    {"iso88591", 28591},     {"latin1", 28591},    {"iso88592", 28592},  {"iso88595", 28595},
    {"iso88597", 28597},     {"iso88599", 28599},  {"iso885915", 28605}, {"koi8r", 20866},
    {"koi8u", 21866},        {"cp1250", 1250},     {"cp1251", 1251},     {"cp1252", 1252},
    {"ansix3.41968", 20127}, {"ascii", 20127},
};

struct CodePageCharset {
    UINT codePage;
    const char* iconvName;
};

const CodePageCharset kIconvNames[] = {
    {CP_UTF8, "UTF-8"},      {936, "GBK"},           {54936, "GB18030"},    {950, "BIG5"},
    {932, "CP932"},          {20932, "EUC-JP"},      {949, "CP949"},        {28591, "ISO-8859-1"},
    {28592, "ISO-8859-2"},   {28595, "ISO-8859-5"},  {28597, "ISO-8859-7"}, {28599, "ISO-8859-9"},
    {28605, "ISO-8859-15"},  {20866, "KOI8-R"},      {21866, "KOI8-U"},     {1250, "CP1250"},
    {1251, "CP1251"},        {1252, "CP1252"},       {20127, "ASCII"},      {437, "CP437"},
    {850, "CP850"},          {866, "CP866"},
};

std::string Normalize(std::string_view charset)
{
    std::string out;
    for (char c : charset) {
        if (c == '-' || c == '_') continue;
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return out;
}

std::atomic<UINT> cachedAnsiCodePage{0};  // 0: not read yet

UINT ReadAnsiCodePage() { return CodePageFromLocaleName(LocaleFromEnvironment()); }

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

// Bytes of the character starting at text[pos] (1 for bytes that start none).
std::size_t CharacterLength(UINT codePage, std::string_view text, std::size_t pos)
{
    auto at = [&](std::size_t i) -> int {
        return pos + i < text.size() ? static_cast<unsigned char>(text[pos + i]) : -1;
    };
    unsigned char lead = static_cast<unsigned char>(text[pos]);
    auto trailIn = [&](std::size_t i, int low, int high) { return at(i) >= low && at(i) <= high; };
    switch (codePage) {
    case CP_UTF8: {
        if (lead < 0x80) return 1;
        std::size_t need = InRange(lead, 0xC2, 0xDF) ? 1 : InRange(lead, 0xE0, 0xEF) ? 2
                         : InRange(lead, 0xF0, 0xF4) ? 3 : 0;
        std::size_t used = 1;
        while (used <= need && trailIn(used, 0x80, 0xBF)) ++used;
        return used;
    }
    case 54936:
        if (InRange(lead, 0x81, 0xFE) && trailIn(1, 0x30, 0x39) && trailIn(2, 0x81, 0xFE) &&
            trailIn(3, 0x30, 0x39))
            return 4;
        [[fallthrough]];
    case 936:
    case 949:
    case 950:
        return InRange(lead, 0x81, 0xFE) && trailIn(1, 0x40, 0xFE) && at(1) != 0x7F ? 2 : 1;
    case 932:
        return (InRange(lead, 0x81, 0x9F) || InRange(lead, 0xE0, 0xFC)) && trailIn(1, 0x40, 0xFC) &&
                       at(1) != 0x7F
                   ? 2
                   : 1;
    case 20932:
        if (lead == 0x8F && trailIn(1, 0xA1, 0xFE) && trailIn(2, 0xA1, 0xFE)) return 3;
        return (lead == 0x8E || InRange(lead, 0xA1, 0xFE)) && trailIn(1, 0xA1, 0xFE) ? 2 : 1;
    default:
        return 1;
    }
}

}  // namespace

UINT CodePageFromLocaleName(std::string_view locale)
{
    auto dot = locale.find('.');
    if (dot == std::string_view::npos) return CP_UTF8;
    std::string_view charset = locale.substr(dot + 1);
    charset = charset.substr(0, charset.find('@'));
    std::string normalized = Normalize(charset);
    for (const auto& entry : kCharsets)
        if (normalized == entry.normalized) return entry.codePage;
    return CP_UTF8;
}

std::string_view LocaleFromEnvironment()
{
    for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

void RereadAnsiCodePage() { cachedAnsiCodePage.store(ReadAnsiCodePage()); }

UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_THREAD_ACP) return GetACP();
    return codePage;
}

const char* IconvName(UINT codePage)
{
    for (const auto& entry : kIconvNames)
        if (entry.codePage == codePage) return entry.iconvName;
    return nullptr;
}

std::size_t CharacterBoundary(UINT codePage, std::string_view text, std::size_t limit)
{
    if (limit >= text.size()) return text.size();
    codePage = ResolveCodePage(codePage);
    std::size_t pos = 0;
    while (pos < limit) {
        std::size_t length = CharacterLength(codePage, text, pos);
        if (pos + length > limit) break;
        pos += length;
    }
    return pos;
}

std::u16string ToWide(UINT codePage, std::string_view text)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int length = static_cast<int>(text.size());
    const int needed = MultiByteToWideChar(codePage, 0, text.data(), length, nullptr, 0);
    if (needed <= 0) return {};
    std::u16string wide(static_cast<std::size_t>(needed), u'\0');
    const int written = MultiByteToWideChar(codePage, 0, text.data(), length, wide.data(), needed);
    wide.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return wide;
}

std::string FromWide(UINT codePage, std::u16string_view text)
{
    if (text.empty() || text.size() > INT_MAX) return {};
    const int length = static_cast<int>(text.size());
    const int needed = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0) return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written = WideCharToMultiByte(codePage, 0, text.data(), length, bytes.data(), needed, nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

std::string Utf8ToAnsi(std::string_view utf8) { return FromWide(CP_ACP, ToWide(CP_UTF8, utf8)); }

}  // namespace win32::nls

UINT GetACP()
{
    UINT codePage = win32::nls::cachedAnsiCodePage.load();
    if (codePage == 0) {
        codePage = win32::nls::ReadAnsiCodePage();
        win32::nls::cachedAnsiCodePage.store(codePage);
    }
    return codePage;
}

UINT GetOEMCP() { return GetACP(); }

BOOL IsValidCodePage(UINT codePage)
{
    return codePage != CP_ACP && codePage != CP_OEMCP && codePage != CP_THREAD_ACP &&
           win32::nls::IconvName(codePage) != nullptr;
}
