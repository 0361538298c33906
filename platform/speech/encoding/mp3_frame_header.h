// The four-byte header of an MPEG audio Layer III frame: read from the encoder's
// byte stream to cut it into frames, and made for the file's info frame.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace speech {

struct Mp3FrameHeader {
    std::uint32_t sampleRate = 0;
    std::uint32_t samples = 0;  // per channel: 1152 for MPEG-1, 576 for MPEG-2 and 2.5
    std::uint32_t bytes = 0;    // of the whole frame, header included
    std::uint16_t channels = 0;
};

// The frame whose header starts at `at` (four bytes); nullopt for anything else
// (no sync, another layer, a free or reserved bit rate or rate).
std::optional<Mp3FrameHeader> ReadMp3FrameHeader(const std::uint8_t* at);

// Whether Layer III has this sample rate.
bool IsMp3SampleRate(std::uint32_t rate);

// The header of the smallest frame of this rate and channel mode that holds
// `bytes` bytes; nullopt when the rate is not one of MP3's or no frame is that large.
std::optional<std::array<std::uint8_t, 4>> Mp3HeaderHolding(std::uint32_t sampleRate, std::uint16_t channels,
                                                            std::size_t bytes);

// Bytes of side information after the header: the info frame's tag follows them.
std::size_t Mp3SideInfoBytes(std::uint32_t sampleRate, std::uint16_t channels);

}  // namespace speech
