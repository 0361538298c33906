#include "english_voice_ranking.h"

#include "espeak_engine.h"
#include "flite_engine.h"
#include "synthesizer.h"
#include "voice_catalog.h"

#include <gtest/gtest.h>

#include <set>

namespace speech {
namespace {

std::vector<InstalledVoice> Listed(std::initializer_list<const char*> identifiers)
{
    std::vector<InstalledVoice> voices;
    for (const char* identifier : identifiers) voices.push_back({identifier, identifier, "en"});
    return voices;
}

TEST(EnglishVoiceRanking, TheMeasuredVoicesAreInstalledAndClearestFirst)
{
    auto ranking = EnglishVoicesClearestFirst();
    ASSERT_FALSE(ranking.empty());
    std::set<std::string> seen;
    for (std::size_t i = 0; i < ranking.size(); ++i) {
        // espeak-ng's voices are left out: without flite its own choice stands.
        EXPECT_TRUE(IsFliteVoice(ranking[i].identifier)) << ranking[i].identifier;
        bool installed = false;
        for (const InstalledVoice& voice : Synthesizer::Instance().Voices()) installed |= voice.identifier == ranking[i].identifier;
        EXPECT_TRUE(installed) << ranking[i].identifier << " is no voice of this installation";
        EXPECT_TRUE(seen.insert(ranking[i].identifier).second) << ranking[i].identifier;
        if (i > 0) {
            EXPECT_LE(ranking[i - 1].wordErrorPercent, ranking[i].wordErrorPercent) << ranking[i].identifier;
        }
    }
}

TEST(EnglishVoiceRanking, TheBestRankedOfTheListedVoicesWinsWhereverItIsListed)
{
    for (const char* tag : {"en", "en-gb", "en-us", "en-gb-scotland"}) EXPECT_TRUE(IsEnglishTag(tag)) << tag;
    for (const char* tag : {"", "de", "eng", "enm", "fr-en", "e"}) EXPECT_FALSE(IsEnglishTag(tag)) << tag;

    EXPECT_EQ(ClearestEnglishVoice(Listed({"gmw/en", "flite/cmu_us_kal", "flite/cmu_us_slt"})), "flite/cmu_us_slt");
    EXPECT_EQ(ClearestEnglishVoice(Listed({"flite/cmu_us_slt", "flite/cmu_us_kal", "gmw/en"})), "flite/cmu_us_slt");
    EXPECT_EQ(ClearestEnglishVoice(Listed({"flite/cmu_us_kal", "flite/cmu_us_rms"})), "flite/cmu_us_rms");
    EXPECT_EQ(ClearestEnglishVoice(Listed({"gmw/en", "gmw/en-US", "flite/cmu_us_somebody"})), "");
    EXPECT_EQ(ClearestEnglishVoice({}), "");
}

// The rule decides, not the order the synthesizers load in: English starts with the
// clearest voice, every other language with espeak-ng's choice.
TEST(EnglishVoiceRanking, EnglishStartsWithTheClearestVoiceAndOtherLanguagesWithEspeaks)
{
    const std::string clearest = EnglishVoicesClearestFirst().front().identifier;
    auto espeak = EspeakEngine::Load();
    ASSERT_NE(espeak, nullptr);
    const std::string german = espeak->PreferredVoiceFor("de");
    ASSERT_FALSE(german.empty());

    std::vector<std::unique_ptr<VoiceEngine>> fliteFirst;
    fliteFirst.push_back(FliteEngine::Load());
    ASSERT_NE(fliteFirst.back(), nullptr);
    EXPECT_EQ(fliteFirst.back()->PreferredVoiceFor("en-gb"), clearest);
    EXPECT_EQ(fliteFirst.back()->PreferredVoiceFor("de"), "");
    fliteFirst.push_back(std::move(espeak));
    Synthesizer reversed(std::move(fliteFirst));
    for (Synthesizer* synthesizer : {&Synthesizer::Instance(), &reversed}) {
        for (const char* tag : {"en", "en-gb", "en-us"}) EXPECT_EQ(synthesizer->PreferredVoiceFor(tag), clearest) << tag;
        EXPECT_EQ(synthesizer->PreferredVoiceFor("de"), german);
    }

    // The catalog: English locales, and languages without a voice of their own, start
    // with it; the rest by description.
    for (const char* tag : {"en", "en-gb", "en-us", "en-au", "xx-unknown"}) {
        VoiceCatalog catalog = VoiceCatalog::ForLanguage(tag);
        ASSERT_FALSE(catalog.voices().empty());
        EXPECT_EQ(catalog.DefaultVoice()->identifier, clearest) << tag;
        EXPECT_EQ(catalog.voices()[1].description, u"AWB, English (America), flite") << tag;
    }
    EXPECT_EQ(VoiceCatalog::ForLanguage("de-de").DefaultVoice()->identifier, german);
}

}  // namespace
}  // namespace speech
