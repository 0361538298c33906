// Slows speech down without changing its pitch, for rates slower than espeak-ng's
// slowest speed, or moves its pitch without changing its length, for voices whose
// synthesizer cannot. Built on libsonic, which espeak-ng itself uses for fast speech.
#pragma once

#include "synthesizer.h"

#include <cstddef>
#include <cstdint>
#include <vector>

struct sonicStreamStruct;

namespace speech {

class TimeStretch {
public:
    // `speed` below 1 makes the speech longer by 1 / speed; `pitch` above 1 raises it.
    TimeStretch(double speed, int sampleRate, double pitch = 1.0);
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
