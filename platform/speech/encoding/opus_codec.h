// Opus frames of 20 ms at 24 kb/s per channel, for speech (libopus).
#pragma once

#include "encoded_piece.h"
#include "frame_codec.h"

#include <memory>

namespace speech {

// The rate Opus encodes input of `inputRate` at: the next rate it takes (8, 12, 16,
// 24 or 48 kHz), as opusenc does.
std::uint32_t OpusCodingRate(std::uint32_t inputRate);
// nullptr when libopus refuses the settings.
std::unique_ptr<FrameCodec> CreateOpusCodec(std::uint32_t codingRate, std::uint16_t channels, PacketSink sink);
// The encoder's version, for the file's vendor string.
const char* OpusVersion();

}  // namespace speech
