// A codec that encodes whole frames and starts its decoded output with a fixed
// stretch of priming (Opus, MP3, AAC), as FramedPieceEncoder drives it.
#pragma once

#include <winerror.h>

#include <cstddef>
#include <cstdint>

namespace speech {

class FrameCodec {
public:
    virtual ~FrameCodec() = default;
    // Samples per channel in a frame, at the codec's own rate.
    virtual std::uint32_t FrameSamples() const = 0;
    // Samples of priming the decoded output begins with, at the codec's rate.
    virtual std::uint32_t Delay() const = 0;
    // Timeline samples per codec sample (Ogg Opus counts at 48 kHz).
    virtual std::uint32_t TimelineScale() const { return 1; }
    // Takes interleaved samples; full frames are encoded as they fill.
    virtual HRESULT Encode(const std::int16_t* samples, std::size_t frames) = 0;
    // Encodes what the codec still holds (the caller has given whole frames).
    virtual HRESULT Flush() = 0;
};

}  // namespace speech
