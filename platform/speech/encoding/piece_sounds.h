// Where the sound of a piece begins, and of each chapter marked in it: a chapter
// is marked where its text begins, but its time is where its speech is heard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

class PieceSounds {
public:
    explicit PieceSounds(std::uint16_t channels) : channels_(channels) {}

    // A chapter begins with the next frame noted.
    void Mark() { pending_.push_back(frames_); }
    // The piece's next samples, interleaved.
    void Note(const std::int16_t* samples, std::size_t frames);
    // The piece ended `length` frames long: marks no sound followed sit there.
    void End(std::uint64_t length);

    // Frames from the piece's start to its first sound (its length when silent).
    std::uint64_t FirstSound() const { return first_ < length_ ? first_ : length_; }
    // After End: for each mark, the frames from the piece's start to the sound after it.
    const std::vector<std::uint64_t>& ChapterSounds() const { return sounds_; }

private:
    std::uint16_t channels_;
    std::uint64_t frames_ = 0;
    std::uint64_t first_ = ~0ull;
    std::uint64_t length_ = ~0ull;
    std::vector<std::uint64_t> pending_;  // marks not yet followed by sound
    std::vector<std::uint64_t> sounds_;
};

}  // namespace speech
