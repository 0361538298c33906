// The speech markup parser: any text, as UTF-16 units (odd first byte: byte
// pairs) or as bytes widened to units (even first byte, so tags come easily).
#include "fuzz_target.h"

#include <markup.h>

#include <string>

namespace {

using speech::SpeechPiece;

std::u16string WideText(const std::uint8_t* data, std::size_t size)
{
    std::u16string text;
    if (size == 0) return text;
    if (data[0] & 1) {
        for (std::size_t i = 1; i + 1 < size; i += 2) text += static_cast<char16_t>(data[i] | data[i + 1] << 8);
    } else {
        for (std::size_t i = 1; i < size; ++i) text += static_cast<char16_t>(data[i]);
    }
    return text;
}

// Well-formed UTF-8 without surrogates or overlong forms, as the synthesizer needs it.
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                           : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        unsigned long c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        static const unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        i += length;
    }
    return true;
}

void CheckPiece(const SpeechPiece& piece)
{
    if (piece.kind == SpeechPiece::Kind::Silence) {
        FUZZ_CHECK(piece.silenceMs > 0 && piece.silenceMs <= 60u * 60 * 1000);
        return;
    }
    FUZZ_CHECK(!piece.text.empty() && IsUtf8(piece.text));
    FUZZ_CHECK(piece.pitch >= -10 && piece.pitch <= 10);
    FUZZ_CHECK(piece.volume >= 0 && piece.volume <= 100);
    FUZZ_CHECK(piece.rateChange >= -20 && piece.rateChange <= 20);
    FUZZ_CHECK(!piece.absoluteRate || (*piece.absoluteRate >= -10 && *piece.absoluteRate <= 10));
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzMarkup)
{
    std::u16string text = WideText(data, size);
    std::vector<SpeechPiece> plain = speech::PlainText(text);
    FUZZ_CHECK(plain.size() == (text.empty() ? 0u : 1u));
    for (const SpeechPiece& piece : plain) FUZZ_CHECK(IsUtf8(piece.text));

    std::vector<SpeechPiece> pieces = speech::ParseMarkup(text);
    for (const SpeechPiece& piece : pieces) CheckPiece(piece);
    // Without tags or entities markup is the plain text.
    if (text.find_first_of(u"<&") == std::u16string::npos) {
        FUZZ_CHECK(pieces.size() == plain.size());
        if (!pieces.empty()) FUZZ_CHECK(pieces[0].text == plain[0].text);
    }
    speech::LooksLikeMarkup(text);
    return 0;
}
