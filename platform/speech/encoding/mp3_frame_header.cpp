#include "mp3_frame_header.h"

namespace speech {
namespace {

// The version field's values; 1 is reserved.
constexpr int kMpeg25 = 0, kMpeg2 = 2, kMpeg1 = 3;
constexpr int kLayer3 = 1;
constexpr int kMonoMode = 3, kJointStereoMode = 1;

constexpr std::uint32_t kMpeg1Kbps[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
constexpr std::uint32_t kMpeg2Kbps[16] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
constexpr std::uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

std::uint32_t RateOf(int version, int index)
{
    if (index == 3) return 0;
    const std::uint32_t rate = kMpeg1Rates[index];
    return version == kMpeg1 ? rate : version == kMpeg2 ? rate / 2 : rate / 4;
}

std::uint32_t FrameBytes(int version, std::uint32_t kbps, std::uint32_t rate, bool padded)
{
    const std::uint32_t perSlot = version == kMpeg1 ? 144000 : 72000;
    return perSlot * kbps / rate + (padded ? 1 : 0);
}

struct VersionAndIndex {
    int version = -1, index = -1;
};

VersionAndIndex Find(std::uint32_t rate)
{
    for (int version : {kMpeg1, kMpeg2, kMpeg25})
        for (int index = 0; index < 3; ++index)
            if (RateOf(version, index) == rate) return {version, index};
    return {};
}

}  // namespace

std::optional<Mp3FrameHeader> ReadMp3FrameHeader(const std::uint8_t* at)
{
    if (at[0] != 0xFF || (at[1] & 0xE0) != 0xE0) return std::nullopt;
    const int version = (at[1] >> 3) & 3, layer = (at[1] >> 1) & 3;
    const int bitrate = at[2] >> 4, rateIndex = (at[2] >> 2) & 3;
    if (version == 1 || layer != kLayer3 || bitrate == 0 || bitrate == 15 || rateIndex == 3) return std::nullopt;
    Mp3FrameHeader header;
    header.sampleRate = RateOf(version, rateIndex);
    header.samples = version == kMpeg1 ? 1152 : 576;
    const std::uint32_t kbps = (version == kMpeg1 ? kMpeg1Kbps : kMpeg2Kbps)[bitrate];
    header.bytes = FrameBytes(version, kbps, header.sampleRate, (at[2] >> 1) & 1);
    header.channels = (at[3] >> 6) == kMonoMode ? 1 : 2;
    return header;
}

bool IsMp3SampleRate(std::uint32_t rate) { return Find(rate).version >= 0; }

std::optional<std::array<std::uint8_t, 4>> Mp3HeaderHolding(std::uint32_t sampleRate, std::uint16_t channels,
                                                            std::size_t bytes)
{
    const VersionAndIndex found = Find(sampleRate);
    if (found.version < 0) return std::nullopt;
    const std::uint32_t* kbps = found.version == kMpeg1 ? kMpeg1Kbps : kMpeg2Kbps;
    for (int bitrate = 1; bitrate < 15; ++bitrate) {
        if (FrameBytes(found.version, kbps[bitrate], sampleRate, false) < bytes) continue;
        const int mode = channels == 1 ? kMonoMode : kJointStereoMode;
        // No CRC; not padded; "original" as the encoder marks its frames.
        return std::array<std::uint8_t, 4>{
            0xFF, static_cast<std::uint8_t>(0xE0 | found.version << 3 | kLayer3 << 1 | 1),
            static_cast<std::uint8_t>(bitrate << 4 | found.index << 2), static_cast<std::uint8_t>(mode << 6 | 1 << 2)};
    }
    return std::nullopt;
}

std::size_t Mp3SideInfoBytes(std::uint32_t sampleRate, std::uint16_t channels)
{
    const bool mpeg1 = Find(sampleRate).version == kMpeg1;
    if (mpeg1) return channels == 1 ? 17 : 32;
    return channels == 1 ? 9 : 17;
}

}  // namespace speech
