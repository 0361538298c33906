// Text from outside (a Markdown file's bytes) made valid UTF-8: every byte
// that does not start a well-formed character becomes U+FFFD, so nothing
// broken reaches the speech engine.
#pragma once

#include <string>
#include <string_view>

namespace document {

std::string ValidUtf8(std::string_view bytes);

// The UTF-8 of a code point; U+FFFD for what is none (surrogates, past U+10FFFF, zero).
void AppendCodePoint(std::string& out, unsigned long codePoint);

}  // namespace document
