#include "voice_render.h"

#include "converter_test_support.h"
#include "fake_voice.h"

#include <atlbase.h>
#include <objbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace {

using converter_test::FakeVoice;
using converter_test::NamesIn;
using converter_test::ParseWav;
using converter_test::ReadBytes;
using converter_test::WriteBytes;
using Calls = std::vector<std::string>;

class SelectAndRenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        RegisterSpeechClasses();
        voice_.Attach(new FakeVoice);
        token_.Attach(new FakeToken);
        output_ = (dir_ / "out.wav").string();
        settings_.outputPath = output_.c_str();
        settings_.voiceNumber = 2;
        settings_.rate = -3;
        settings_.volume = 65536 + 10;
    }
    void TearDown() override
    {
        voice_.Release();
        token_.Release();
        CoUninitialize();
    }

    narrate::RenderOutcome Render(HRESULT walkResult = S_OK, bool withToken = true)
    {
        ::testing::internal::CaptureStderr();
        narrate::RenderOutcome outcome =
            narrate::SelectAndRender(voice_, withToken ? token_.p : nullptr, walkResult, settings_, u"say this");
        err_ = ::testing::internal::GetCapturedStderr();
        return outcome;
    }

    // A token the fake voice takes without looking at it.
    class FakeToken final : public ComObject<ISpObjectToken> {
    public:
        STDMETHOD(GetStringValue)(LPCWSTR, LPWSTR*) override { return E_NOTIMPL; }
        STDMETHOD(GetId)(LPWSTR*) override { return E_NOTIMPL; }
    };

    testing_support::ScratchDir dir_;
    CComPtr<FakeVoice> voice_;
    CComPtr<FakeToken> token_;
    std::string output_;
    narrate::RunSettings settings_;
    std::string err_;
};

TEST_F(SelectAndRenderTest, CallsTheEngineInOrderAndMovesTheFileInPlace)
{
    narrate::RenderOutcome outcome = Render();
    EXPECT_TRUE(outcome.rendered);
    EXPECT_EQ(outcome.walkResult, S_OK);
    EXPECT_EQ(voice_->calls, (Calls{"SetVoice", "SetRate(-3)", "SetVolume(10)", "GetOutputStream", "SetOutput(wav,TRUE)",
                                    "Speak(17)", "WaitUntilDone(100)", "SetOutput(previous,FALSE)"}));
    EXPECT_EQ(voice_->spokenText, u"say this");
    EXPECT_EQ(voice_->output->formatCalls, 1);
    EXPECT_TRUE(ParseWav(ReadBytes(output_)).valid);
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"out.wav"}));
    EXPECT_EQ(err_, "");
}

TEST_F(SelectAndRenderTest, NoTokenAtTheMatchMeansNothingIsSpoken)
{
    for (HRESULT walk : {S_FALSE, E_FAIL}) {
        voice_->calls.clear();
        narrate::RenderOutcome outcome = Render(walk, walk == E_FAIL);
        EXPECT_TRUE(FAILED(outcome.walkResult));
        EXPECT_FALSE(outcome.rendered);
        EXPECT_EQ(voice_->calls, Calls{});
        EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
    }
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(SelectAndRenderTest, RefusedVoiceMeansNothingIsSpoken)
{
    voice_->setVoiceResult = E_INVALIDARG;
    narrate::RenderOutcome outcome = Render();
    EXPECT_EQ(outcome.walkResult, E_INVALIDARG);
    EXPECT_FALSE(outcome.rendered);
    EXPECT_EQ(voice_->calls, Calls{"SetVoice"});
    EXPECT_NE(err_.find("voice 2"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(output_));
}

TEST_F(SelectAndRenderTest, OutputOtherThanExactlyOkIsNeitherAskedNorBound)
{
    voice_->getOutputResult = S_FALSE;
    narrate::RenderOutcome outcome = Render();
    EXPECT_FALSE(outcome.rendered);
    EXPECT_EQ(voice_->output->formatCalls, 0);
    EXPECT_EQ(std::count(voice_->calls.begin(), voice_->calls.end(), "Speak(17)"), 0);
    EXPECT_TRUE(NamesIn(dir_.path()).empty());
}

TEST_F(SelectAndRenderTest, UnboundFileMeansNothingIsSpoken)
{
    output_ = (dir_ / "missing folder" / "out.wav").string();
    settings_.outputPath = output_.c_str();
    narrate::RenderOutcome outcome = Render();
    EXPECT_FALSE(outcome.rendered);
    EXPECT_EQ(outcome.walkResult, S_OK);  // the walk itself went well
    EXPECT_EQ(voice_->calls, (Calls{"SetVoice", "SetRate(-3)", "SetVolume(10)", "GetOutputStream",
                                    "SetOutput(previous,FALSE)"}));
    EXPECT_NE(err_.find("cannot create the WAV file"), std::string::npos);
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1);
    EXPECT_TRUE(NamesIn(dir_.path()).empty());
}

TEST_F(SelectAndRenderTest, RefusedFileOutputMeansNothingIsSpokenAndNoFileStays)
{
    WriteBytes(output_, "old");
    voice_->setOutputResult = E_INVALIDARG;
    narrate::RenderOutcome outcome = Render();
    EXPECT_FALSE(outcome.rendered);
    EXPECT_EQ(std::count(voice_->calls.begin(), voice_->calls.end(), "Speak(17)"), 0);
    EXPECT_EQ(voice_->calls.back(), "SetOutput(previous,FALSE)");
    EXPECT_EQ(ReadBytes(output_), "old");
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"out.wav"}));
}

}  // namespace
