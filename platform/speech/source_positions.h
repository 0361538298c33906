// Where the bytes of a piece's text stand in the request's text, in UTF-16 units:
// what an event tells the caller, who gave the text as UTF-16 with its markup.
#pragma once

#include "markup.h"

#include <cstddef>

namespace speech {

class SourcePositions {
public:
    explicit SourcePositions(const SpeechPiece& piece);
    // Each call walks from where the one before stood: asked nearly in order, a
    // whole text costs about one pass.
    std::size_t UnitOf(std::size_t byte);

private:
    const SpeechPiece& piece_;
    std::size_t anchor_ = 0;           // the piece's anchor in force
    std::size_t byte_ = 0, unit_ = 0;  // where the walk stands
};

}  // namespace speech
