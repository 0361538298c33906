// FFmpeg's own AAC encoder at the engine's settings, opened alike by the render
// workers' codec and by the MP4 writer, whose AudioSpecificConfig must be theirs.
#pragma once

#include "ffmpeg_library.h"

#include <cstdint>

namespace speech {

// AAC-LC asked for 56 kb/s for one channel (FFmpeg's encoder spends about 65 on
// speech), 96 for two. The encoder steers its quality frame by frame towards the
// rate; asked for 48 it wandered between clean and audibly coarse stretches.
inline constexpr std::int64_t kAacMonoBitsPerSecond = 56000;
inline constexpr std::int64_t kAacStereoBitsPerSecond = 96000;

// An opened encoder of planar float samples; nullptr with *hr telling why.
CodecContextPtr OpenAacEncoder(const FfmpegLibrary& library, std::uint32_t rate, std::uint16_t channels, HRESULT* hr);

}  // namespace speech
