// What a render worker tells of a piece it synthesized, when its job asks: the
// piece's words, sentences and sentences' ends (positions in bytes of the piece's
// text, samples from its start) and how many samples it made. It travels back to
// the engine with the job's outcome.
#pragma once

#include "spoken_events.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

struct SpokenPiece {
    std::vector<SpokenEvent> events;
    std::uint64_t samples = 0;  // native samples synthesized for the piece's own text
};

std::string EncodeSpokenPiece(const SpokenPiece& piece);
// nullopt for bytes that are no spoken piece.
std::optional<SpokenPiece> DecodeSpokenPiece(std::string_view bytes);

}  // namespace speech
