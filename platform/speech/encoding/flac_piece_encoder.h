// FLAC pieces (libFLAC, compression level 5, 16-bit): every frame stands alone,
// so pieces join exactly, with nothing carried and no priming. Each frame is a
// packet lasting its samples.
#pragma once

#include "piece_encoder.h"

#include <memory>

namespace speech {

// nullptr when libFLAC refuses the format.
std::unique_ptr<PieceEncoder> CreateFlacPieceEncoder(const PieceFormat& format, PacketSink sink);
// Whether FLAC's streamable subset has this rate (it names it in every frame).
bool IsFlacSampleRate(std::uint32_t rate);
// The encoder's vendor string, for the file's comments.
const char* FlacVendor();

// The shortest frame a stream may have but at its end.
inline constexpr std::uint32_t kShortestFlacFrame = 16;

}  // namespace speech
