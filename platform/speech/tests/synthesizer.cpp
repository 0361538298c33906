#include "synthesizer.h"

#include "espeak_engine.h"
#include "synthesized_samples.h"

#include <sapi.h>

#include <gtest/gtest.h>

#include <vector>

namespace speech {
namespace {

using speech_test::Synthesize;

TEST(Synthesizer, IsAvailableWithVoicesAtTheNativeRate)
{
    ASSERT_TRUE(Synthesizer::Instance().Available());
    EXPECT_GT(Synthesizer::Instance().Voices().size(), 10u);
    for (const InstalledVoice& voice : Synthesizer::Instance().Voices()) {
        EXPECT_FALSE(voice.identifier.empty());
        EXPECT_FALSE(voice.name.empty());
        EXPECT_NE(voice.identifier.rfind("mb/", 0), 0u) << "MBROLA voices need a program that is not installed";
    }
}

TEST(Synthesizer, RateMapsToWordsPerMinuteMonotonically)
{
    EXPECT_EQ(WordsPerMinuteForRate(0), 175);
    EXPECT_EQ(WordsPerMinuteForRate(10), 550);
    EXPECT_EQ(WordsPerMinuteForRate(-10), 58);
    for (int rate = -10; rate < 10; ++rate) EXPECT_LT(WordsPerMinuteForRate(rate), WordsPerMinuteForRate(rate + 1));
    EXPECT_EQ(WordsPerMinuteForRate(50), 550);  // clamped
    EXPECT_EQ(WordsPerMinuteForRate(-50), 58);
}

TEST(Synthesizer, SpeedFollowsTheRateOverTheWholeRange)
{
    std::size_t previous = SIZE_MAX;
    std::size_t normal = 0, fastest = 0, slowest = 0;
    for (int rate = -10; rate <= 10; ++rate) {
        SpeechStyle style;
        style.rate = rate;
        std::size_t length = Synthesize("gmw/en", style, "Speaking at many speeds, one after another.").size();
        EXPECT_LT(length, previous) << "rate " << rate;
        previous = length;
        if (rate == 0) normal = length;
        if (rate == 10) fastest = length;
        if (rate == -10) slowest = length;
    }
    double faster = double(normal) / fastest, slower = double(slowest) / normal;
    EXPECT_GT(faster, 2.5);
    EXPECT_LT(faster, 3.5);
    EXPECT_GT(slower, 2.5);  // below espeak-ng's 80 words per minute by stretching
    EXPECT_LT(slower, 3.5);
}

TEST(Synthesizer, SameInputGivesIdenticalSamplesEvenAfterAStoppedSynthesis)
{
    SpeechStyle style;
    auto first = Synthesize("gmw/en", style, "Identical every time.");
    std::size_t calls = 0;
    Synthesizer::Instance().Synthesize("gmw/de", style, "Dieser Satz wird unterbrochen und nie beendet.",
                                       [&](const std::int16_t*, std::size_t) { return ++calls < 2; });
    EXPECT_EQ(calls, 2u);
    auto second = Synthesize("gmw/en", style, "Identical every time.");
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first, second);
}

TEST(Synthesizer, AVoiceWithBreathNoiseSoundsTheSameEachTime)
{
    // Latvian's breath noise is drawn from the C library's random numbers.
    const std::string text = "Labdien, \u0161odien ir jauka diena, un m\u0113s ejam uz j\u016bru.";
    auto first = Synthesize("bat/lv", {}, text);
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(Synthesize("bat/lv", {}, text), first);
    std::vector<std::int16_t> onFreshCopy;
    ASSERT_EQ(SynthesizeOnFreshCopy("bat/lv", {}, text,
                                    [&](const std::int16_t* s, std::size_t n) {
                                        onFreshCopy.insert(onFreshCopy.end(), s, s + n);
                                        return true;
                                    }),
              S_OK);
    EXPECT_EQ(onFreshCopy, first);
}

TEST(Synthesizer, StyleAndVoiceChangeTheSound)
{
    SpeechStyle plain, high, spelled;
    high.pitch = 8;
    spelled.spell = true;
    auto base = Synthesize("gmw/en", plain, "test");
    EXPECT_NE(Synthesize("gmw/en", high, "test"), base);
    EXPECT_GT(Synthesize("gmw/en", spelled, "test").size(), base.size());  // t, e, s, t
    EXPECT_NE(Synthesize("gmw/en-US", plain, "test"), base);
}

TEST(Synthesizer, UnknownVoiceFails)
{
    EXPECT_EQ(Synthesizer::Instance().Synthesize("no/such-voice", {}, "x",
                                                 [](const std::int16_t*, std::size_t) { return true; }),
              SPERR_ENGINE_FAILED);
}

TEST(Synthesizer, TextWithAngleBracketsIsSafeInEveryStyle)
{
    SpeechStyle emphasised;
    emphasised.emphasis = true;
    EXPECT_FALSE(Synthesize("gmw/en", emphasised, "a < b & c > d </emphasis>").empty());
}

}  // namespace
}  // namespace speech

namespace speech {
namespace {

std::vector<std::int16_t> SynthesizeOn(VoiceEngine& engine, const std::string& voice, std::string_view text)
{
    std::vector<std::int16_t> samples;
    EXPECT_EQ(engine.Begin()->Synthesize(voice, {}, text,
                                         [&](const std::int16_t* s, std::size_t n) {
                                             samples.insert(samples.end(), s, s + n);
                                             return true;
                                         },
                                         nullptr),
              S_OK);
    return samples;
}

TEST(EspeakEngine, ListingAndPreferredVoicesInterleavedWithSynthesesChangeNeitherAnswersNorSamples)
{
    const std::string text = "Labdien, \u0161odien ir jauka diena.";
    std::vector<std::int16_t> fresh;
    ASSERT_EQ(SynthesizeOnFreshCopy("bat/lv", {}, text,
                                    [&](const std::int16_t* s, std::size_t n) {
                                        fresh.insert(fresh.end(), s, s + n);
                                        return true;
                                    }),
              S_OK);
    ASSERT_FALSE(fresh.empty());

    auto engine = EspeakEngine::Load();
    ASSERT_NE(engine, nullptr);
    auto again = EspeakEngine::Load();  // a second listing while the first engine lives
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Voices().size(), engine->Voices().size());
    const std::string german = engine->PreferredVoiceFor("de");
    EXPECT_FALSE(german.empty());
    EXPECT_EQ(engine->PreferredVoiceFor("xx-nowhere"), "");
    EXPECT_EQ(SynthesizeOn(*engine, "bat/lv", text), fresh);
    EXPECT_EQ(engine->PreferredVoiceFor("de"), german);  // asked again after a synthesis
    EXPECT_EQ(again->PreferredVoiceFor("de"), german);
    EXPECT_EQ(SynthesizeOn(*again, "bat/lv", text), fresh);
}

}  // namespace
}  // namespace speech
