// MP3 frames for speech (LAME): VBR at -V 7, mono (joint stereo for two
// channels), at the input's rate. The bit reservoir is off: pieces are joined by
// dropping frames, and a kept frame must not hold bits of a dropped one.
#pragma once

#include "encoded_piece.h"
#include "frame_codec.h"

#include <memory>

namespace speech {

// nullptr when LAME refuses the settings (a rate MP3 does not have).
std::unique_ptr<FrameCodec> CreateMp3Codec(std::uint32_t sampleRate, std::uint16_t channels, PacketSink sink);
// What the file's info frame says of the encoder.
struct Mp3EncoderInfo {
    const char* version;     // LAME's name and version: "LAME3.100"
    std::uint32_t vbrScale;  // 0 (best) to 100, as LAME counts it
    std::uint8_t vbrMethod;  // LAME's number for its VBR method
};
Mp3EncoderInfo Mp3Encoder();

}  // namespace speech
