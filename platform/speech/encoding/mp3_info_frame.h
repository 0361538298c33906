// The frame an MP3 file begins with, before its audio: a Xing header (frame
// count, byte count, seek table) and LAME's extension, whose encoder delay and
// padding tell players how many samples to skip at the start and drop at the end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace speech {

struct Mp3Stream {
    std::uint32_t sampleRate = 22050;
    std::uint16_t channels = 1;
    std::uint32_t frames = 0;      // audio frames after the info frame
    std::uint64_t audioBytes = 0;  // of those frames
    std::uint32_t priming = 0;     // decoded samples before the first of the input
    std::uint64_t samples = 0;     // decoded samples that are the input's
    std::array<std::uint8_t, 100> seekTable{};  // at each percent of the time, 256ths of the bytes before it
    std::uint16_t audioCrc = 0;    // Crc16 of the audio frames
};

// The info frame (as long as a frame of its header says); empty when the stream
// cannot have one (a rate that is not MP3's, priming or padding past what it can say).
std::vector<std::uint8_t> Mp3InfoFrame(const Mp3Stream& stream);

// The CRC-16 the LAME extension keeps of itself and of the audio (polynomial
// 0x8005, bits reflected, from 0).
std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

}  // namespace speech
