// Changes the sample rate of a stream of 16-bit mono samples with libsamplerate's
// band-limited sinc interpolation (no repeated samples, no aliasing), for
// synthesizers whose voices speak at 8 or 16 kHz.
#pragma once

#include "voice_engine.h"

#include <vector>

typedef struct SRC_STATE_tag SRC_STATE;

namespace speech {

class Resampler {
public:
    Resampler(int fromRate, int toRate);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    // False when libsamplerate failed (no memory): then nothing more comes out.
    bool failed() const { return failed_; }
    // Hands what is ready to `sink`; false when the sink stopped or the converter failed.
    bool Push(const std::int16_t* samples, std::size_t count, const PcmSink& sink);
    // Hands over the rest once the input has ended; the resampler starts over after.
    bool Finish(const PcmSink& sink);

private:
    bool Process(const std::int16_t* samples, std::size_t count, bool last, const PcmSink& sink);

    SRC_STATE* state_ = nullptr;
    bool failed_ = false;
    double ratio_;
    std::vector<float> in_, out_;
    std::vector<std::int16_t> ready_;
};

}  // namespace speech
