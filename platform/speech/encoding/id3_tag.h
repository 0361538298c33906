// The ID3v2.4 tag an MP3 file begins with: the text tags as UTF-8 frames (TIT2,
// TPE1, TALB, TRCK) and the chapters as CHAP frames, each with its title, listed
// in order by a top-level CTOC frame.
#pragma once

#include "container_writer.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace speech {

// The whole tag, header included; none (empty) for a plan without tags or
// chapters. A chapter ends where the next begins, the last at the plan's end.
// nullopt when the tag is larger than its 28-bit size can say.
std::optional<std::vector<std::uint8_t>> Id3Tag(const ContainerPlan& plan);

// A table of contents names at most 255 entries: with more chapters the top one
// names tables of up to this many chapters each.
inline constexpr std::size_t kChaptersPerTable = 255;

}  // namespace speech
