// Vorbis as a codec of whole frames (FramedPieceEncoder): at the engine's setting
// every block has one size, so a packet decodes to half a block, a "frame", and
// the stream's first packet, which decodes to nothing, is its priming. Pieces
// then join as Opus pieces do, carrying frames over the join.
#pragma once

#include "encoded_piece.h"
#include "frame_codec.h"

#include <memory>

namespace speech {

// The rate Vorbis codes input of `inputRate` at: the input's own up to 24 kHz,
// half of it above (speech has nothing up there; libvorbis' blocks would vary).
std::uint32_t VorbisCodingRate(std::uint32_t inputRate);
// nullptr when libvorbis refuses the settings.
std::unique_ptr<FrameCodec> CreateVorbisCodec(std::uint32_t codingRate, std::uint16_t channels, PacketSink sink);

}  // namespace speech
