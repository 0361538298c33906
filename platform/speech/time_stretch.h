// Slows speech down without changing its pitch, for rates slower than espeak-ng's
// slowest speed. Built on libsonic, which espeak-ng itself uses for fast speech.
#pragma once

#include "synthesizer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct sonicStreamStruct;

namespace speech {

class TimeStretch {
public:
    // `speed` below 1 makes the speech longer by 1 / speed.
    TimeStretch(double speed, int sampleRate);
    ~TimeStretch();
    TimeStretch(const TimeStretch&) = delete;
    TimeStretch& operator=(const TimeStretch&) = delete;

    // Passes samples through, handing what is ready to `sink`; false when the sink
    // stopped or memory ran out.
    bool Push(const std::int16_t* samples, std::size_t count, const PcmSink& sink);
    // Hands the rest to `sink` once the input has ended.
    bool Finish(const PcmSink& sink);

private:
    bool Drain(const PcmSink& sink);

    sonicStreamStruct* stream_;
    std::vector<std::int16_t> ready_;
};

}  // namespace speech
