#include "flite_engine.h"

#include "espeak_engine.h"
#include "module_calls.h"
#include "synthesizer.h"
#include "voice_catalog.h"
#include "synthesized_samples.h"

#include <sapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

namespace speech {
namespace {

const std::vector<std::string> kFliteVoices = {"flite/cmu_us_awb", "flite/cmu_us_kal", "flite/cmu_us_kal16",
                                               "flite/cmu_us_rms", "flite/cmu_us_slt"};
constexpr char kText[] = "The quick brown fox jumps over the lazy dog.";

using speech_test::Synthesize;

int Peak(const std::vector<std::int16_t>& samples)
{
    int peak = 0;
    for (std::int16_t s : samples) peak = std::max(peak, std::abs(int{s}));
    return peak;
}

TEST(FliteEngine, TheFiveVoicesAreTokensWithSpeakerLanguageAndSynthesizer)
{
    VoiceCatalog catalog = VoiceCatalog::ForLanguage("en-us");
    std::vector<std::string> found;
    for (const VoiceInfo& voice : catalog.voices()) {
        if (!IsFliteVoice(voice.identifier)) continue;
        found.push_back(voice.identifier);
        EXPECT_EQ(voice.language, "en-us");
        EXPECT_EQ(catalog.FindByTokenId(voice.tokenId), &voice);
    }
    // The clearest first, then by description: AWB, KAL, KAL16, SLT.
    EXPECT_EQ(found, (std::vector<std::string>{"flite/cmu_us_rms", "flite/cmu_us_awb", "flite/cmu_us_kal",
                                               "flite/cmu_us_kal16", "flite/cmu_us_slt"}));
    EXPECT_EQ(catalog.FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\flite/cmu_us_slt")
                  ->description,
              u"SLT, English (America), flite");
    EXPECT_EQ(catalog.FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\flite/cmu_us_kal16")
                  ->description,
              u"KAL16, English (America), flite");
}

TEST(FliteEngine, EnglishStartsWithAFliteVoiceAndTheOthersSortAmongEspeaks)
{
    for (const char* language : {"en", "en-us", "de-de"}) {
        VoiceCatalog catalog = VoiceCatalog::ForLanguage(language);
        const auto& voices = catalog.voices();
        ASSERT_GT(voices.size(), 6u);
        EXPECT_EQ(IsFliteVoice(voices.front().identifier), std::string(language) != "de-de") << language;
        // "AWB, ..." sorts before espeak-ng's "Afrikaans" (upper case first), "SLT, ..." after "Russian".
        auto at = [&](const std::string& id) {
            for (std::size_t i = 0; i < voices.size(); ++i)
                if (voices[i].identifier == id) return i;
            return voices.size();
        };
        EXPECT_EQ(at("flite/cmu_us_awb"), 1u) << language;
        ASSERT_LT(at("flite/cmu_us_slt"), voices.size());
        EXPECT_LT(voices[at("flite/cmu_us_slt") - 1].description, u"SLT, English (America), flite");
    }
}

TEST(FliteEngine, EveryVoiceSpeaksAtTheNativeRateWithoutClipping)
{
    for (const std::string& voice : kFliteVoices) {
        auto samples = Synthesize(voice, {}, kText);
        double seconds = double(samples.size()) / kNativeSampleRate;
        EXPECT_GT(seconds, 1.5) << voice;
        EXPECT_LT(seconds, 5.0) << voice;
        EXPECT_GT(Peak(samples), 3000) << voice;
        std::size_t atFullScale = 0;
        for (std::int16_t s : samples) atFullScale += s == 32767 || s == -32768;
        EXPECT_LT(atFullScale, samples.size() / 1000) << voice;
    }
    // Different speakers, different sound.
    EXPECT_NE(Synthesize("flite/cmu_us_slt", {}, kText), Synthesize("flite/cmu_us_rms", {}, kText));
}

TEST(FliteEngine, RateCoversTheSameRangeAsEspeak)
{
    for (const std::string voice : {"flite/cmu_us_slt", "flite/cmu_us_kal"}) {
        std::size_t previous = SIZE_MAX, normal = 0, fastest = 0, slowest = 0;
        for (int rate = -10; rate <= 10; rate += 5) {
            SpeechStyle style;
            style.rate = rate;
            std::size_t length = Synthesize(voice, style, kText).size();
            EXPECT_LT(length, previous) << voice << " rate " << rate;
            previous = length;
            if (rate == 0) normal = length;
            if (rate == 10) fastest = length;
            if (rate == -10) slowest = length;
        }
        double faster = double(normal) / fastest, slower = double(slowest) / normal;
        EXPECT_GT(faster, 2.5) << voice;
        EXPECT_LT(faster, 3.5) << voice;
        EXPECT_GT(slower, 2.5) << voice;
        EXPECT_LT(slower, 3.5) << voice;
    }
}

// The voice's typical pitch in Hz: the median, over voiced 40 ms frames, of the
// strongest autocorrelation lag between 60 and 400 Hz.
double MedianPitch(const std::vector<std::int16_t>& samples)
{
    constexpr std::size_t kFrame = kNativeSampleRate / 25, kShortest = kNativeSampleRate / 400,
                          kLongest = kNativeSampleRate / 60;
    std::vector<double> pitches;
    for (std::size_t start = 0; start + kFrame + kLongest < samples.size(); start += kFrame) {
        auto correlation = [&](std::size_t lag) {
            double sum = 0;
            for (std::size_t i = start; i < start + kFrame; ++i) sum += double(samples[i]) * samples[i + lag];
            return sum;
        };
        const double energy = correlation(0);
        if (energy < kFrame * 1000.0 * 1000.0) continue;  // quieter than speech
        std::size_t best = kShortest;
        for (std::size_t lag = kShortest; lag <= kLongest; ++lag)
            if (correlation(lag) > correlation(best)) best = lag;
        if (correlation(best) > energy / 2) pitches.push_back(double(kNativeSampleRate) / best);
    }
    if (pitches.empty()) return 0;
    std::nth_element(pitches.begin(), pitches.begin() + pitches.size() / 2, pitches.end());
    return pitches[pitches.size() / 2];
}

TEST(FliteEngine, PitchEmphasisAndSpellingChangeTheSound)
{
    SpeechStyle plain, high, emphasised, spelled;
    high.pitch = 8;
    emphasised.emphasis = true;
    spelled.spell = true;
    // Pitch moves the diphone voices' target and the clustergen voices' contour alike,
    // RMS's (a pitch model flite does not shift) too, and leaves the timing as it was.
    for (const char* voice : {"flite/cmu_us_kal16", "flite/cmu_us_slt", "flite/cmu_us_awb", "flite/cmu_us_rms"}) {
        auto base = Synthesize(voice, plain, "test");
        auto raised = Synthesize(voice, high, "test");
        EXPECT_NE(raised, base) << voice;
        EXPECT_NEAR(double(raised.size()) / base.size(), 1.0, 0.02) << voice;
        // Eight steps up are a third higher (2^(8/20)).
        const double basePitch = MedianPitch(Synthesize(voice, plain, kText));
        EXPECT_GT(basePitch, 60.0) << voice;
        EXPECT_NEAR(MedianPitch(Synthesize(voice, high, kText)) / basePitch, 1.32, 0.12) << voice;
    }
    EXPECT_GT(Synthesize("flite/cmu_us_slt", emphasised, "test").size(), Synthesize("flite/cmu_us_slt", plain, "test").size());
    // Seven letter names take far longer than the word.
    EXPECT_GT(Synthesize("flite/cmu_us_slt", spelled, "testing").size(),
              Synthesize("flite/cmu_us_slt", plain, "testing").size() * 3 / 2);
}

TEST(FliteEngine, SameInputGivesIdenticalSamplesAfterAStopAndBesideAnotherThread)
{
    auto slt = Synthesize("flite/cmu_us_slt", {}, kText);
    auto kal = Synthesize("flite/cmu_us_kal", {}, kText);
    ASSERT_FALSE(slt.empty());
    std::size_t calls = 0;
    EXPECT_EQ(Synthesizer::Instance().Synthesize("flite/cmu_us_awb", {}, "Stopped. Never finished. Not at all.",
                                                 [&](const std::int16_t*, std::size_t) { return ++calls < 3; }),
              S_OK);
    EXPECT_EQ(calls, 3u);
    EXPECT_EQ(Synthesize("flite/cmu_us_slt", {}, kText), slt);
    // Requests at once, flite's and espeak-ng's (both draw noise from rand()).
    auto espeak = Synthesize("gmw/en", {}, kText);
    std::vector<std::int16_t> sltBeside, kalBeside, espeakBeside;
    std::thread other([&] { kalBeside = Synthesize("flite/cmu_us_kal", {}, kText); });
    std::thread third([&] { espeakBeside = Synthesize("gmw/en", {}, kText); });
    sltBeside = Synthesize("flite/cmu_us_slt", {}, kText);
    other.join();
    third.join();
    EXPECT_EQ(sltBeside, slt);
    EXPECT_EQ(kalBeside, kal);
    EXPECT_EQ(espeakBeside, espeak);
}

TEST(FliteEngine, UnknownVoicesFailAndLongTextsAreSpokenWhole)
{
    PcmSink ignore = [](const std::int16_t*, std::size_t) { return true; };
    EXPECT_EQ(Synthesizer::Instance().Synthesize("flite/cmu_us_nobody", {}, "x", ignore), SPERR_ENGINE_FAILED);
    // One long sentence without a stop is cut at blanks, yet none of it is lost:
    // twice the words take about twice as long.
    auto words = [](int count) {
        std::string text;
        for (int i = 0; i < count; ++i) text += "one more word and ";
        return text + "the end";
    };
    double ratio = double(Synthesize("flite/cmu_us_kal", {}, words(80)).size())
                 / double(Synthesize("flite/cmu_us_kal", {}, words(40)).size());
    EXPECT_GT(ratio, 1.9);
    EXPECT_LT(ratio, 2.1);
}

// Makes the synthesizers' libraries whose names hold "flite" look missing.
void* WithoutFlite(const char* name, int flags)
{
    if (std::strstr(name, "flite")) return nullptr;
    return modules::RealCalls().open(name, flags);
}

TEST(FliteEngine, WithoutFliteTheEspeakVoicesRemainAndNothingIsSaid)
{
    modules::ScopedOverride missing({WithoutFlite});
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    EXPECT_EQ(FliteEngine::Load(), nullptr);
    std::vector<std::unique_ptr<VoiceEngine>> engines;
    engines.push_back(EspeakEngine::Load());
    ASSERT_NE(engines.back(), nullptr);
    if (auto flite = FliteEngine::Load()) engines.push_back(std::move(flite));
    Synthesizer synthesizer(std::move(engines));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    std::size_t espeakVoices = 0;
    for (const InstalledVoice& voice : Synthesizer::Instance().Voices()) espeakVoices += !IsFliteVoice(voice.identifier);
    EXPECT_EQ(synthesizer.Voices().size(), espeakVoices);
    EXPECT_EQ(synthesizer.PreferredVoiceFor("en"), "gmw/en");
    std::size_t samples = 0;
    PcmSink count = [&](const std::int16_t*, std::size_t n) { return (samples += n), true; };
    EXPECT_EQ(synthesizer.Synthesize("gmw/en", {}, kText, count), S_OK);
    EXPECT_GT(samples, 10000u);
    EXPECT_EQ(synthesizer.Synthesize("flite/cmu_us_slt", {}, kText, count), SPERR_ENGINE_FAILED);
}

std::vector<std::string> opened;  // what the engine asked to load while recording

void* RecordingOpen(const char* name, int flags)
{
    opened.emplace_back(name);
    return modules::RealCalls().open(name, flags);
}

// Run alone (as ctest does), this also shows that listing loads no voice library.
TEST(FliteEngine, OnlyTheLibraryOfTheVoiceThatSpeaksIsLoaded)
{
    opened.clear();
    std::vector<std::int16_t> samples;
    {
        modules::ScopedOverride recording({RecordingOpen});
        auto flite = FliteEngine::Load();
        ASSERT_NE(flite, nullptr);
        std::vector<std::string> listed;
        for (const InstalledVoice& voice : flite->Voices()) listed.push_back(voice.identifier);
        EXPECT_EQ(listed, kFliteVoices);
        EXPECT_EQ(flite->Begin()->Synthesize("flite/cmu_us_kal", {}, kText,
                                             [&](const std::int16_t* s, std::size_t n) {
                                                 samples.insert(samples.end(), s, s + n);
                                                 return true;
                                             },
                                             nullptr),
                  S_OK);
    }
    for (const std::string& name : opened)
        EXPECT_TRUE(name.find("libflite_cmu_us_") == std::string::npos || name == "libflite_cmu_us_kal.so.1") << name;
    EXPECT_EQ(samples, Synthesize("flite/cmu_us_kal", {}, kText));
    EXPECT_GT(Peak(samples), 1000);
}

}  // namespace
}  // namespace speech
