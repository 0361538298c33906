#include "source_positions.h"

#include <algorithm>

namespace speech {
namespace {

bool StartsCharacter(unsigned char c) { return (c & 0xC0) != 0x80; }
std::size_t UnitsOf(unsigned char c) { return c >= 0xF0 ? 2 : 1; }

}  // namespace

SourcePositions::SourcePositions(const SpeechPiece& piece) : piece_(piece)
{
    if (!piece.source.empty()) byte_ = piece.source[0].at, unit_ = piece.source[0].unit;
}

std::size_t SourcePositions::UnitOf(std::size_t byte)
{
    const auto& anchors = piece_.source;
    std::size_t anchor = anchor_;
    while (anchor + 1 < anchors.size() && anchors[anchor + 1].at <= byte) ++anchor;
    while (anchor > 0 && anchors[anchor].at > byte) --anchor;
    if (anchor != anchor_) {
        anchor_ = anchor;
        byte_ = anchors[anchor].at;
        unit_ = anchors[anchor].unit;
    }
    if (!anchors.empty() && byte < anchors[anchor].at) return anchors[anchor].unit;
    // From where the last call stood, forwards or back: a sentence's end is asked
    // after its later words, so short steps back are common.
    const std::string& text = piece_.text;
    byte = std::min(byte, text.size());
    for (; byte_ < byte; ++byte_)
        if (const auto c = static_cast<unsigned char>(text[byte_]); StartsCharacter(c)) unit_ += UnitsOf(c);
    while (byte_ > byte)
        if (const auto c = static_cast<unsigned char>(text[--byte_]); StartsCharacter(c)) unit_ -= UnitsOf(c);
    return unit_;
}

}  // namespace speech
