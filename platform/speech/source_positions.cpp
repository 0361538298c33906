#include "source_positions.h"

namespace speech {

SourcePositions::SourcePositions(const SpeechPiece& piece) : piece_(piece)
{
    if (!piece.source.empty()) byte_ = piece.source[0].at, unit_ = piece.source[0].unit;
}

std::size_t SourcePositions::UnitOf(std::size_t byte)
{
    const auto& anchors = piece_.source;
    std::size_t anchor = anchor_;
    while (anchor + 1 < anchors.size() && anchors[anchor + 1].at <= byte) ++anchor;
    if (anchor != anchor_ || byte < byte_) {
        // A new anchor, or a step back: walk from the anchor.
        while (anchor > 0 && anchors[anchor].at > byte) --anchor;
        anchor_ = anchor;
        byte_ = anchors.empty() ? 0 : anchors[anchor].at;
        unit_ = anchors.empty() ? 0 : anchors[anchor].unit;
        if (byte < byte_) return unit_;
    }
    const std::string& text = piece_.text;
    for (; byte_ < byte && byte_ < text.size(); ++byte_) {
        const auto c = static_cast<unsigned char>(text[byte_]);
        if ((c & 0xC0) != 0x80) unit_ += c >= 0xF0 ? 2 : 1;
    }
    return unit_;
}

}  // namespace speech
