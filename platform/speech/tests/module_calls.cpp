// Run as speech_tests_without_flite (VARNEL_TEST_WITHOUT_FLITE set), this program
// behaves as on a machine without flite: from before the engine loads anything,
// every library whose name holds "flite" fails to load.
#include "module_calls.h"

#include "espeak_engine.h"
#include "speech_test_support.h"
#include "voice_catalog.h"

#include <cstdlib>
#include <cstring>
#include <optional>

namespace speech {
namespace {

using namespace speech_test;

bool FliteHidden() { return std::getenv("VARNEL_TEST_WITHOUT_FLITE") != nullptr; }

void* OpenAllButFlite(const char* name, int flags)
{
    if (std::strstr(name, "flite")) return nullptr;
    return modules::RealCalls().open(name, flags);
}

struct HiddenFlite {
    HiddenFlite()
    {
        if (FliteHidden()) override.emplace(modules::Table{OpenAllButFlite});
    }
    std::optional<modules::ScopedOverride> override;
};
const HiddenFlite hiddenFlite;

class WithoutFlite : public ComTest {
protected:
    void SetUp() override
    {
        if (!FliteHidden()) GTEST_SKIP() << "run by speech_tests_without_flite";
        ComTest::SetUp();
    }
};

TEST_F(WithoutFlite, TheVoicesAreEspeaksInTheUsualOrderAndNothingIsSaid)
{
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    const VoiceCatalog& catalog = VoiceCatalog::Instance();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    auto espeak = EspeakEngine::Load();
    ASSERT_NE(espeak, nullptr);
    ASSERT_EQ(catalog.voices().size(), espeak->Voices().size());
    EXPECT_EQ(catalog.DefaultVoice()->identifier, VoiceCatalog::ForLanguage(LanguageOfLocale(UserLocaleName()))
                                                      .DefaultVoice()
                                                      ->identifier);
    // Without flite, English starts with espeak-ng's own choice for the locale.
    EXPECT_EQ(VoiceCatalog::ForLanguage("en").DefaultVoice()->identifier, "gmw/en");
    EXPECT_EQ(VoiceCatalog::ForLanguage("en-us").DefaultVoice()->identifier, "gmw/en-US");
    EXPECT_EQ(VoiceCatalog::ForLanguage("xx-unknown").DefaultVoice()->identifier, "gmw/en");
    for (const VoiceInfo& voice : catalog.voices()) EXPECT_EQ(voice.identifier.find("flite"), std::string::npos);
    EXPECT_EQ(catalog.FindByTokenId(u"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Speech\\Voices\\Tokens\\flite/cmu_us_slt"),
              nullptr);
}

TEST_F(WithoutFlite, AVoiceSpeaksAsBefore)
{
    auto voice = NewVoice();
    auto samples = Render(voice, kSentence);
    EXPECT_GT(samples.size(), 22050u);
    EXPECT_GT(Peak(samples), 1000);
}

}  // namespace
}  // namespace speech
