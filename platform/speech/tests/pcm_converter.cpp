#include "pcm_converter.h"

#include "wave_format.h"

#include <gtest/gtest.h>

#include <cstring>

namespace speech {
namespace {

WAVEFORMATEX Pcm(DWORD rate, WORD bits, WORD channels)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = channels;
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = bits;
    f.nBlockAlign = static_cast<WORD>(channels * bits / 8);
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

std::vector<std::int16_t> AsSamples(const std::vector<std::uint8_t>& bytes)
{
    std::vector<std::int16_t> s(bytes.size() / 2);
    std::memcpy(s.data(), bytes.data(), s.size() * 2);
    return s;
}

TEST(PcmConverter, NativeFormatPassesSamplesThroughAndScalesThemLinearly)
{
    std::vector<std::int16_t> in = {0, 1000, -1000, 32767, -32768};
    PcmConverter converter(NativeFormat());
    std::vector<std::uint8_t> out;
    converter.Push(in.data(), in.size(), 10000, out);
    converter.Finish(out);
    EXPECT_EQ(AsSamples(out), in);
    out.clear();
    converter.Push(in.data(), in.size(), 5000, out);
    EXPECT_EQ(AsSamples(out), (std::vector<std::int16_t>{0, 500, -500, 16383, -16384}));
    out.clear();
    converter.Push(in.data(), in.size(), 0, out);
    EXPECT_EQ(AsSamples(out), std::vector<std::int16_t>(5, 0));
    // Only then may a caller take the samples' own bytes.
    EXPECT_TRUE(converter.PassesThrough(10000));
    EXPECT_FALSE(converter.PassesThrough(9999));
    EXPECT_FALSE(PcmConverter(Pcm(22050, 16, 2)).PassesThrough(10000));
    EXPECT_FALSE(PcmConverter(Pcm(11025, 16, 1)).PassesThrough(10000));
    EXPECT_FALSE(PcmConverter(Pcm(22050, 8, 1)).PassesThrough(10000));
}

TEST(PcmConverter, SampleSizesAndChannels)
{
    std::int16_t in[] = {0x1234, -2};
    std::vector<std::uint8_t> out;
    PcmConverter(Pcm(22050, 8, 1)).Push(in, 2, 10000, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x12 + 128, 127}));
    out.clear();
    PcmConverter(Pcm(22050, 24, 1)).Push(in, 1, 10000, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0x34, 0x12}));
    out.clear();
    PcmConverter(Pcm(22050, 32, 1)).Push(in, 1, 10000, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0, 0, 0x34, 0x12}));
    out.clear();
    PcmConverter(Pcm(22050, 16, 2)).Push(in, 1, 10000, out);
    EXPECT_EQ(out, (std::vector<std::uint8_t>{0x34, 0x12, 0x34, 0x12}));
}

TEST(PcmConverter, ResamplingKeepsTheDurationAndInterpolates)
{
    std::vector<std::int16_t> ramp(2205);
    for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<std::int16_t>(i * 10);
    for (DWORD rate : {8000u, 11025u, 16000u, 44100u, 48000u}) {
        PcmConverter converter(Pcm(rate, 16, 1));
        std::vector<std::uint8_t> out;
        converter.Push(ramp.data(), ramp.size(), 10000, out);
        converter.Finish(out);
        auto samples = AsSamples(out);
        EXPECT_NEAR(double(samples.size()), ramp.size() * double(rate) / 22050, 1.0) << rate;
        // A ramp stays a ramp: every sample lies where the input's line is.
        for (std::size_t k = 0; k < samples.size(); ++k)
            EXPECT_NEAR(samples[k], std::min(k * 22050.0 / rate, 2204.0) * 10, 1.0) << rate << " at " << k;
    }
}

TEST(PcmConverter, PiecesGiveTheSameOutputAsOneBlock)
{
    std::vector<std::int16_t> in(1000);
    for (std::size_t i = 0; i < in.size(); ++i) in[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    PcmConverter whole(Pcm(44100, 16, 1)), pieces(Pcm(44100, 16, 1));
    std::vector<std::uint8_t> a, b;
    whole.Push(in.data(), in.size(), 10000, a);
    whole.Finish(a);
    for (std::size_t at = 0; at < in.size(); at += 37)
        pieces.Push(in.data() + at, std::min<std::size_t>(37, in.size() - at), 10000, b);
    pieces.Finish(b);
    EXPECT_EQ(a, b);
}

TEST(WaveFormat, OnlyConsistentPcmIsSupported)
{
    EXPECT_TRUE(IsSupportedPcm(NativeFormat()));
    EXPECT_TRUE(IsSupportedPcm(Pcm(48000, 24, 2)));
    WAVEFORMATEX f = Pcm(22050, 16, 1);
    f.nBlockAlign = 4;
    EXPECT_FALSE(IsSupportedPcm(f));
    f = Pcm(22050, 16, 1);
    f.nAvgBytesPerSec = 1;
    EXPECT_FALSE(IsSupportedPcm(f));
    f = Pcm(22050, 16, 1);
    f.wFormatTag = 3;  // floating point
    EXPECT_FALSE(IsSupportedPcm(f));
    EXPECT_FALSE(IsSupportedPcm(Pcm(22050, 12, 1)));
    EXPECT_FALSE(IsSupportedPcm(Pcm(22050, 16, 0)));
    EXPECT_FALSE(IsSupportedPcm(Pcm(22050, 16, 9)));
    EXPECT_FALSE(IsSupportedPcm(Pcm(10, 16, 1)));
}

}  // namespace
}  // namespace speech
