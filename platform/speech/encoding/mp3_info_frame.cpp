#include "mp3_info_frame.h"

#include "mp3_codec.h"
#include "mp3_frame_header.h"

#include <optional>
#include <string>

namespace speech {
namespace {

constexpr std::uint32_t kFramesFlag = 1, kBytesFlag = 2, kSeekTableFlag = 4, kQualityFlag = 8;
constexpr std::size_t kXingBytes = 4 + 4 + 4 + 4 + 100 + 4;
constexpr std::size_t kLameBytes = 36;
constexpr std::uint32_t kDecoderDelay = 529;    // players add it to the encoder delay
constexpr std::uint32_t kLargestDelay = 0xFFF;  // 12 bits each, delay and padding

void PutBe(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// LAME's "misc" byte: source rate class, stereo mode, no noise-shaping note.
std::uint8_t MiscByte(std::uint32_t rate, std::uint16_t channels)
{
    const int sourceRate = rate <= 32000 ? 0 : rate <= 44100 ? 1 : 2;
    const int stereoMode = channels == 1 ? 0 : 3;  // mono, or joint stereo
    return static_cast<std::uint8_t>(sourceRate << 6 | stereoMode << 2);
}

void PutLameExtension(std::vector<std::uint8_t>& frame, const Mp3Stream& stream, std::uint32_t delay,
                      std::uint32_t padding, std::uint64_t streamBytes)
{
    const Mp3EncoderInfo encoder = Mp3Encoder();
    std::string version(encoder.version);
    version.resize(9, ' ');  // nine bytes, space-padded
    frame.insert(frame.end(), version.begin(), version.end());
    frame.push_back(encoder.vbrMethod);  // tag revision 0
    frame.push_back(0);  // lowpass: not noted
    PutBe(frame, 0, 4);  // peak: not measured
    PutBe(frame, 0, 2);  // radio gain: not set
    PutBe(frame, 0, 2);  // audiophile gain: not set
    frame.push_back(0);  // encoding flags, ATH type
    frame.push_back(0);  // lowest bit rate: not noted
    PutBe(frame, std::uint64_t{delay} << 12 | padding, 3);
    frame.push_back(MiscByte(stream.sampleRate, stream.channels));
    frame.push_back(0);  // MP3 gain
    PutBe(frame, 0, 2);  // preset, surround
    PutBe(frame, streamBytes <= 0xFFFFFFFF ? streamBytes : 0, 4);  // 0: not known
    PutBe(frame, stream.audioCrc, 2);
    PutBe(frame, Crc16(0, frame.data(), frame.size()), 2);
}

}  // namespace

std::uint16_t Crc16(std::uint16_t crc, const std::uint8_t* data, std::size_t size)
{
    static const std::array<std::uint16_t, 256> table = [] {
        std::array<std::uint16_t, 256> t{};
        for (unsigned i = 0; i < 256; ++i) {
            unsigned value = i;
            for (int bit = 0; bit < 8; ++bit) value = value & 1 ? (value >> 1) ^ 0xA001 : value >> 1;
            t[i] = static_cast<std::uint16_t>(value);
        }
        return t;
    }();
    for (std::size_t i = 0; i < size; ++i) crc = static_cast<std::uint16_t>((crc >> 8) ^ table[(crc ^ data[i]) & 0xFF]);
    return crc;
}

std::vector<std::uint8_t> Mp3InfoFrame(const Mp3Stream& stream)
{
    const std::size_t sideInfo = Mp3SideInfoBytes(stream.sampleRate, stream.channels);
    std::optional<std::array<std::uint8_t, 4>> header =
        Mp3HeaderHolding(stream.sampleRate, stream.channels, 4 + sideInfo + kXingBytes + kLameBytes);
    if (!header) return {};
    const std::optional<Mp3FrameHeader> parsed = ReadMp3FrameHeader(header->data());
    // Players skip the delay plus their own 529 samples and drop from the padding on,
    // counted from the end plus those 529.
    const std::uint64_t decoded = std::uint64_t{stream.frames} * parsed->samples;
    if (stream.priming < kDecoderDelay || stream.priming + stream.samples > decoded) return {};
    const std::uint32_t delay = stream.priming - kDecoderDelay;
    const std::uint64_t padding = decoded - stream.priming - stream.samples + kDecoderDelay;
    if (delay > kLargestDelay || padding > kLargestDelay) return {};

    const std::uint64_t streamBytes = parsed->bytes + stream.audioBytes;
    std::vector<std::uint8_t> frame(header->begin(), header->end());
    frame.resize(4 + sideInfo, 0);
    frame.insert(frame.end(), {'X', 'i', 'n', 'g'});
    // Past 4 GiB the byte count does not fit: the frames alone tell the duration.
    const bool sized = streamBytes <= 0xFFFFFFFF;
    PutBe(frame, kFramesFlag | kQualityFlag | (sized ? kBytesFlag | kSeekTableFlag : 0), 4);
    PutBe(frame, stream.frames, 4);
    if (sized) {
        PutBe(frame, streamBytes, 4);
        frame.insert(frame.end(), stream.seekTable.begin(), stream.seekTable.end());
    }
    PutBe(frame, Mp3Encoder().vbrScale, 4);
    PutLameExtension(frame, stream, delay, static_cast<std::uint32_t>(padding), streamBytes);
    frame.resize(parsed->bytes, 0);
    return frame;
}

}  // namespace speech
