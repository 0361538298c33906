// AAC-LC frames of 1024 samples at the input's rate, from FFmpeg's own encoder
// (the only AAC encoder Debian has), loaded at run time (ffmpeg_library.h).
#pragma once

#include "encoded_piece.h"
#include "frame_codec.h"

#include <memory>

namespace speech {

// The rates AAC has a sampling-frequency index for, 8 to 96 kHz.
bool IsAacRate(std::uint32_t rate);
// Loads FFmpeg: S_OK, or why an AAC file cannot be written here.
HRESULT LoadAacEncoder();
// nullptr with *hr telling why when FFmpeg is missing or refuses the settings.
std::unique_ptr<FrameCodec> CreateAacCodec(std::uint32_t rate, std::uint16_t channels, PacketSink sink, HRESULT* hr);

}  // namespace speech
