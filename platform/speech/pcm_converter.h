// Turns the synthesizer's samples into an output's format: gain, sample rate
// (linear interpolation), sample size and channel count.
#pragma once

#include <mmreg.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

class PcmConverter {
public:
    // `target` must satisfy IsSupportedPcm.
    explicit PcmConverter(const WAVEFORMATEX& target);

    // Whether the output's bytes at this gain are the native samples' own bytes.
    bool PassesThrough(int gainPerTenThousand) const;
    // Converts native samples scaled by gain/10000, appending the output's bytes.
    void Push(const std::int16_t* samples, std::size_t count, int gainPerTenThousand, std::vector<std::uint8_t>& out);
    // Emits what the interpolation still holds back; the converter starts over after.
    void Finish(std::vector<std::uint8_t>& out);

private:
    // Mono 16-bit samples at the native rate: the engine's own layout.
    bool NativeLayout() const;
    void Emit(std::int32_t sample, std::vector<std::uint8_t>& out) const;
    std::int32_t Interpolate(std::uint64_t frame) const;
    bool Ready(std::uint64_t frame) const;
    void EmitReady(std::vector<std::uint8_t>& out);

    WAVEFORMATEX target_;
    bool sameRate_;
    std::uint64_t produced_ = 0;  // output frames so far
    std::uint64_t received_ = 0;  // native samples so far
    std::vector<std::int16_t> window_;  // the native samples not yet passed by the output
    std::uint64_t windowStart_ = 0;      // index of window_[0]
};

}  // namespace speech
