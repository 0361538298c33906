#include "pcm_converter.h"

#include "synthesizer.h"

#include <algorithm>
#include <bit>

namespace speech {

PcmConverter::PcmConverter(const WAVEFORMATEX& target)
    : target_(target), sameRate_(target.nSamplesPerSec == static_cast<DWORD>(kNativeSampleRate))
{
}

void PcmConverter::Emit(std::int32_t sample, std::vector<std::uint8_t>& out) const
{
    for (WORD channel = 0; channel < target_.nChannels; ++channel) {
        switch (target_.wBitsPerSample) {
        case 8: out.push_back(static_cast<std::uint8_t>((sample >> 8) + 128)); break;
        case 16:
            out.push_back(static_cast<std::uint8_t>(sample));
            out.push_back(static_cast<std::uint8_t>(sample >> 8));
            break;
        case 24:
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(sample));
            out.push_back(static_cast<std::uint8_t>(sample >> 8));
            break;
        default:
            out.push_back(0);
            out.push_back(0);
            out.push_back(static_cast<std::uint8_t>(sample));
            out.push_back(static_cast<std::uint8_t>(sample >> 8));
        }
    }
}

// Output frame k sits at native position k * native / target, between two native
// samples; it is made once both have arrived (or, at the end, from the last one).
std::int32_t PcmConverter::Interpolate(std::uint64_t frame) const
{
    const std::uint64_t native = kNativeSampleRate, rate = target_.nSamplesPerSec;
    std::uint64_t index = frame * native / rate, remainder = frame * native % rate;
    std::int64_t a = window_[index - windowStart_];
    std::int64_t b = remainder != 0 && index + 1 < received_ ? window_[index + 1 - windowStart_] : a;
    return static_cast<std::int32_t>((a * static_cast<std::int64_t>(rate - remainder)
                                      + b * static_cast<std::int64_t>(remainder))
                                     / static_cast<std::int64_t>(rate));
}

bool PcmConverter::Ready(std::uint64_t frame) const
{
    const std::uint64_t native = kNativeSampleRate, rate = target_.nSamplesPerSec;
    std::uint64_t index = frame * native / rate, remainder = frame * native % rate;
    return index + 1 < received_ || (remainder == 0 && index < received_);
}

void PcmConverter::EmitReady(std::vector<std::uint8_t>& out)
{
    while (Ready(produced_)) Emit(Interpolate(produced_++), out);
    // Keep only what later frames can still need.
    std::uint64_t keepFrom = std::min<std::uint64_t>(produced_ * kNativeSampleRate / target_.nSamplesPerSec, received_);
    if (keepFrom > windowStart_) {
        window_.erase(window_.begin(), window_.begin() + static_cast<std::ptrdiff_t>(keepFrom - windowStart_));
        windowStart_ = keepFrom;
    }
}

bool PcmConverter::NativeLayout() const
{
    return sameRate_ && target_.nChannels == 1 && target_.wBitsPerSample == 16;
}

bool PcmConverter::PassesThrough(int gain) const
{
    return NativeLayout() && gain >= 10000 && std::endian::native == std::endian::little;
}

void PcmConverter::Push(const std::int16_t* samples, std::size_t count, int gain, std::vector<std::uint8_t>& out)
{
    if (PassesThrough(gain)) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(samples);
        out.insert(out.end(), bytes, bytes + count * sizeof *samples);
        return;
    }
    gain = std::clamp(gain, 0, 10000);
    if (NativeLayout()) {
        // The engine's own format, the common case: one pass, no per-byte appends.
        std::size_t start = out.size();
        out.resize(start + count * 2);
        std::uint8_t* bytes = out.data() + start;
        for (std::size_t i = 0; i < count; ++i) {
            std::int32_t sample = samples[i] * gain / 10000;
            bytes[2 * i] = static_cast<std::uint8_t>(sample);
            bytes[2 * i + 1] = static_cast<std::uint8_t>(sample >> 8);
        }
        return;
    }
    if (sameRate_) {
        out.reserve(out.size() + count * target_.nBlockAlign);
        for (std::size_t i = 0; i < count; ++i) Emit(samples[i] * gain / 10000, out);
        return;
    }
    for (std::size_t i = 0; i < count; ++i) window_.push_back(static_cast<std::int16_t>(samples[i] * gain / 10000));
    received_ += count;
    EmitReady(out);
}

void PcmConverter::Finish(std::vector<std::uint8_t>& out)
{
    if (!sameRate_) {
        // Frames whose position lies before the end of the input are still owed.
        std::uint64_t total = (received_ * target_.nSamplesPerSec + kNativeSampleRate - 1) / kNativeSampleRate;
        while (produced_ < total) Emit(Interpolate(produced_++), out);
    }
    produced_ = received_ = windowStart_ = 0;
    window_.clear();
}

}  // namespace speech
