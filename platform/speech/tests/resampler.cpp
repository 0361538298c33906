#include "resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace speech {
namespace {

std::vector<std::int16_t> Sine(double frequency, int rate, std::size_t count)
{
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] = static_cast<std::int16_t>(std::lround(10000 * std::sin(2 * std::numbers::pi * frequency * i / rate)));
    return samples;
}

std::vector<std::int16_t> Resample(const std::vector<std::int16_t>& in, int from, int to, std::size_t chunk)
{
    Resampler resampler(from, to);
    std::vector<std::int16_t> out;
    PcmSink keep = [&](const std::int16_t* s, std::size_t n) {
        out.insert(out.end(), s, s + n);
        return true;
    };
    for (std::size_t at = 0; at < in.size(); at += chunk)
        EXPECT_TRUE(resampler.Push(in.data() + at, std::min(chunk, in.size() - at), keep));
    EXPECT_TRUE(resampler.Finish(keep));
    return out;
}

// The amplitude of one frequency in a signal (a single DFT bin).
double Amplitude(const std::vector<std::int16_t>& s, double frequency, int rate, std::size_t from, std::size_t to)
{
    double re = 0, im = 0;
    for (std::size_t i = from; i < to; ++i) {
        re += s[i] * std::cos(2 * std::numbers::pi * frequency * i / rate);
        im += s[i] * std::sin(2 * std::numbers::pi * frequency * i / rate);
    }
    return 2 * std::hypot(re, im) / double(to - from);
}

TEST(Resampler, KeepsTheDurationAndTheToneFromEightAndSixteenKilohertz)
{
    for (int from : {8000, 16000}) {
        auto in = Sine(440, from, from);  // one second
        auto out = Resample(in, from, kNativeSampleRate, 333);
        EXPECT_NEAR(double(out.size()), kNativeSampleRate, kNativeSampleRate * 0.002) << from;
        // The tone keeps its amplitude; no images of it appear where repeated
        // samples would put them (the input rate minus the tone).
        std::size_t a = out.size() / 4, b = out.size() * 3 / 4;
        EXPECT_NEAR(Amplitude(out, 440, kNativeSampleRate, a, b), 10000, 300) << from;
        EXPECT_LT(Amplitude(out, from - 440, kNativeSampleRate, a, b), 100) << from;
    }
}

TEST(Resampler, TheSameInputGivesTheSameSamplesWhateverTheChunks)
{
    auto in = Sine(1000, 16000, 8000);
    auto whole = Resample(in, 16000, kNativeSampleRate, in.size());
    EXPECT_EQ(Resample(in, 16000, kNativeSampleRate, 100), whole);
    EXPECT_EQ(Resample(in, 16000, kNativeSampleRate, 4096), whole);
}

TEST(Resampler, ASinkThatStopsStopsThePush)
{
    auto in = Sine(440, 16000, 16000);
    Resampler resampler(16000, kNativeSampleRate);
    int calls = 0;
    EXPECT_FALSE(resampler.Push(in.data(), in.size(), [&](const std::int16_t*, std::size_t) { return ++calls < 2; }));
    EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace speech
