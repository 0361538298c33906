#include "piece_sounds.h"

#include "piece_encoder.h"

#include <algorithm>
#include <cstdlib>

namespace speech {

void PieceSounds::Note(const std::int16_t* samples, std::size_t frames)
{
    if (first_ != ~0ull && pending_.empty()) {
        frames_ += frames;
        return;
    }
    const std::size_t values = frames * channels_;
    for (std::size_t i = 0; i < values; ++i) {
        if (std::abs(samples[i]) < kSilenceLevel) continue;
        const std::uint64_t at = frames_ + i / channels_;
        first_ = std::min(first_, at);
        for (std::uint64_t mark : pending_) sounds_.push_back(std::max(mark, at));
        pending_.clear();
        break;
    }
    frames_ += frames;
}

void PieceSounds::End(std::uint64_t length)
{
    length_ = length;
    for (std::uint64_t mark : pending_) sounds_.push_back(mark);
    pending_.clear();
    for (std::uint64_t& sound : sounds_) sound = std::min(sound, length);
}

}  // namespace speech
