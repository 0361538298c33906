// Code page helpers behind winnls.h (platform-internal).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <windef.h>

namespace win32::nls {

// The code page a locale name such as "zh_CN.GBK" or "en_US.UTF-8@euro" names;
// CP_UTF8 for C, POSIX, no character set or one without a known code page.
UINT CodePageFromLocaleName(std::string_view locale);
// The locale of LC_ALL, LC_CTYPE, LANG (first non-empty), "" when none is set.
std::string_view LocaleFromEnvironment();
// Test seam: reads the environment again for GetACP (it is cached otherwise).
void RereadAnsiCodePage();

// CP_ACP, CP_OEMCP and CP_THREAD_ACP as the ANSI code page; others unchanged.
UINT ResolveCodePage(UINT codePage);
// iconv's name of a code page; nullptr for code pages not supported.
const char* IconvName(UINT codePage);

// The largest length <= limit that does not end inside a character of
// `text` in the code page.
std::size_t CharacterBoundary(UINT codePage, std::string_view text, std::size_t limit);

// Text of `codePage` in UTF-16, and back, through MultiByteToWideChar and
// WideCharToMultiByte: the one way the stand-ins convert whole strings. "" when
// the text cannot be converted or is longer than an int counts.
std::u16string ToWide(UINT codePage, std::string_view text);
std::string FromWide(UINT codePage, std::u16string_view text);

// UTF-8 text in the ANSI code page, through MultiByteToWideChar and
// WideCharToMultiByte; invalid bytes become U+FFFD first, characters the code
// page lacks "?"; "" when the text cannot be converted.
std::string Utf8ToAnsi(std::string_view utf8);

}  // namespace win32::nls
