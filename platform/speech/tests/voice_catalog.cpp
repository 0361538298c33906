#include "voice_catalog.h"

#include "synthesizer.h"

#include <gtest/gtest.h>

#include <set>

namespace speech {
namespace {

TEST(VoiceCatalog, LocaleNamesGiveLanguageTags)
{
    EXPECT_EQ(LanguageOfLocale("zh_CN.GBK"), "zh-cn");
    EXPECT_EQ(LanguageOfLocale("de_DE.UTF-8@euro"), "de-de");
    EXPECT_EQ(LanguageOfLocale("fr"), "fr");
    EXPECT_EQ(LanguageOfLocale("C.UTF-8"), "en");
    EXPECT_EQ(LanguageOfLocale("POSIX"), "en");
    EXPECT_EQ(LanguageOfLocale(""), "en");
}

TEST(VoiceCatalog, LocaleVoiceFirstThenByDescription)
{
    for (const char* language : {"en", "zh-cn", "de-de", "xx-unknown"}) {
        VoiceCatalog catalog = VoiceCatalog::ForLanguage(language);
        const auto& voices = catalog.voices();
        ASSERT_EQ(voices.size(), Synthesizer::Instance().Voices().size());
        std::string expectedFirst = std::string(language) == "zh-cn" ? "sit/cmn"
                                  : std::string(language) == "de-de" ? "gmw/de"
                                                                     : "flite/cmu_us_rms";  // English when none fits
        EXPECT_EQ(voices.front().identifier, expectedFirst) << language;
        for (std::size_t i = 2; i < voices.size(); ++i)
            EXPECT_LE(voices[i - 1].description, voices[i].description) << language << " at " << i;
        std::set<std::u16string> ids;
        for (const VoiceInfo& voice : voices) ids.insert(voice.tokenId);
        EXPECT_EQ(ids.size(), voices.size());
    }
}

TEST(VoiceCatalog, TheSameLocaleGivesTheSameOrder)
{
    auto a = VoiceCatalog::ForLanguage("en"), b = VoiceCatalog::ForLanguage("en");
    ASSERT_EQ(a.voices().size(), b.voices().size());
    for (std::size_t i = 0; i < a.voices().size(); ++i) EXPECT_EQ(a.voices()[i].tokenId, b.voices()[i].tokenId);
}

TEST(VoiceCatalog, DescriptionsAreReadableNamesAndTokensAreFound)
{
    auto catalog = VoiceCatalog::ForLanguage("en");
    EXPECT_EQ(catalog.voices().front().description, u"RMS, English (America), flite");
    EXPECT_EQ(catalog.voices().front().tokenId,
              u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\flite/cmu_us_rms");
    const VoiceInfo* british =
        catalog.FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\gmw/en");
    ASSERT_NE(british, nullptr);
    EXPECT_EQ(british->description, u"English (Great Britain)");
    const VoiceInfo& last = catalog.voices().back();
    EXPECT_EQ(catalog.FindByTokenId(last.tokenId)->identifier, last.identifier);
    EXPECT_EQ(catalog.FindByTokenId(u"nothing"), nullptr);
}

}  // namespace
}  // namespace speech
