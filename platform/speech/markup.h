// The engine's speech markup: a text that begins with '<' is read as XML tags that
// change how the text between them is said. Unknown tags are skipped, never spoken.
#pragma once

#include "synthesizer.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

// Where a piece's text comes from in the request's text: the text's byte `at` is
// the request's UTF-16 unit `unit`, and from there on runs as the request does,
// until the next anchor (markup or an entity in between).
struct SourceAnchor {
    std::size_t at = 0;
    std::size_t unit = 0;
};

struct SpeechPiece {
    enum class Kind { Text, Silence, Bookmark };
    Kind kind = Kind::Text;
    std::string text;         // UTF-8, for Text; the mark's name for Bookmark
    std::vector<SourceAnchor> source;  // ascending; none: the request's text itself
    unsigned silenceMs = 0;   // for Silence
    std::optional<int> absoluteRate;  // overrides the voice's rate
    int rateChange = 0;       // added to the voice's rate otherwise
    int pitch = 0;            // -10..10
    int volume = 100;         // 0..100, scales the voice's volume
    bool emphasis = false;
    bool spell = false;
};

// Plain text: one piece said as it is (none when empty).
std::vector<SpeechPiece> PlainText(std::u16string_view text);
// Markup: the pieces the tags and the text between them describe.
std::vector<SpeechPiece> ParseMarkup(std::u16string_view text);
// Whether a text without a markup flag is markup: its first non-blank character is '<'.
bool LooksLikeMarkup(std::u16string_view text);

}  // namespace speech
