// What the document reader's targets check alike: text as the readers hand
// it over, and the same result whether a part comes whole or in pieces.
#pragma once

#include <part_source.h>

#include <string>
#include <string_view>

namespace fuzz {

// Well-formed UTF-8 without surrogates or overlong forms.
inline bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        unsigned long c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        static const unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        i += length;
    }
    return true;
}

// Valid UTF-8 with single blanks only between words: a block as gathered.
inline bool IsBlockText(std::string_view text)
{
    if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
    if (text.find("  ") != std::string_view::npos) return false;
    if (text.find_first_of("\t\r\n") != std::string_view::npos) return false;
    return IsUtf8(text);
}

// The bytes in two pieces, cut at `at` (a piece boundary may fall anywhere:
// inside a tag, an entity, a character).
inline document::PieceSource TwoPieces(std::string_view bytes, std::size_t at)
{
    return [bytes, at](const document::PieceSink& sink) -> std::optional<document::ReadFailure> {
        const std::size_t cut = std::min(at, bytes.size());
        if (sink(bytes.substr(0, cut))) sink(bytes.substr(cut));
        return std::nullopt;
    };
}

}  // namespace fuzz
