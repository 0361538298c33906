// Whole-string conversions between a code page's bytes and UTF-16
// (platform-internal; winnls.h's functions are built on them).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <windef.h>

namespace win32::nls {

// Bytes to UTF-16. Invalid sequences become U+FFFD, or give nullopt when
// `strict`. nullopt also when the code page is not supported.
std::optional<std::u16string> DecodeUtf8(std::string_view bytes, bool strict);
std::optional<std::u16string> DecodeWithIconv(const char* charset, std::string_view bytes, bool strict);

struct Encoded {
    std::string bytes;
    bool usedDefault = false;
};

// UTF-16 to bytes. For UTF-8 a lone surrogate becomes U+FFFD, or gives nullopt
// when `strict`; for iconv a character the charset lacks becomes `defaultChar`.
std::optional<Encoded> EncodeUtf8(std::u16string_view text, bool strict);
std::optional<Encoded> EncodeWithIconv(const char* charset, std::u16string_view text,
                                       std::string_view defaultChar);

}  // namespace win32::nls
