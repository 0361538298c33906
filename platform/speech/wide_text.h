// UTF-16 <-> UTF-8 for the synthesizer and the task-allocated strings of the
// interfaces, through the Win32 layer's code page functions.
#pragma once

#include <windef.h>

#include <string>
#include <string_view>

namespace speech {

// Unpaired surrogates become U+FFFD; nothing is dropped silently.
std::string Utf16ToUtf8(std::u16string_view text);
// Each invalid sequence (its longest valid start) becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);
// Null-safe length of a zero-terminated UTF-16 string.
std::u16string_view WideView(LPCWSTR text);
// A CoTaskMemAlloc'd zero-terminated copy, or nullptr when memory runs out.
LPWSTR CoTaskMemString(std::u16string_view text);

}  // namespace speech
