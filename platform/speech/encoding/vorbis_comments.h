// The comment block Ogg Opus, Ogg Vorbis and FLAC share: a vendor string and
// KEY=value pairs, with the chapters as CHAPTERnnn and CHAPTERnnnNAME.
#pragma once

#include "container_writer.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace speech {

// The block without framing (the caller adds "OpusTags", Vorbis' packet type or
// FLAC's block header).
std::vector<std::uint8_t> VorbisComments(std::string_view vendor, const ContainerPlan& plan,
                                         std::uint32_t timelineRate);

}  // namespace speech
