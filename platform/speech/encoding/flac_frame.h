// A FLAC frame from a piece's encoder, made a frame of the file's stream. Each
// piece's encoder numbers its frames from 0 in blocks of its own size; the file
// is written as a variable-blocksize stream, whose frames say the number of
// their first sample instead, so pieces of any length follow each other.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

// The frame with its blocking-strategy bit set, its number replaced by
// `firstSample` and both of its CRCs made anew; empty when `frame` is not a
// whole FLAC frame or `firstSample` does not fit in 36 bits.
std::vector<std::uint8_t> FlacFrameAt(const std::uint8_t* frame, std::size_t size, std::uint64_t firstSample);

// The block size a frame's header says; 0 when it is not a frame header.
std::uint32_t FlacFrameSamples(const std::uint8_t* frame, std::size_t size);

}  // namespace speech
