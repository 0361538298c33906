#include "render_progress.h"

#include "fake_voice.h"

#include <objbase.h>
#include <varnel/speech_classes.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace {

using converter_test::FakeVoice;
using narrate::ProgressFigures;
using narrate::ProgressLine;

TEST(ProgressText, PercentAudioTimeAndTimeLeft)
{
    EXPECT_EQ(narrate::ProgressText(ProgressFigures{0.426, 83.4, 61.6}), " 42% rendered, 1:23 of audio, about 1:02 left");
    EXPECT_EQ(narrate::ProgressText(ProgressFigures{1.0, 3725, 0}), "100% rendered, 62:05 of audio, about 0:00 left");
    // Nothing rendered yet: no estimate.
    EXPECT_EQ(narrate::ProgressText(ProgressFigures{0, 0, std::nullopt}), "  0% rendered, 0:00 of audio");
}

TEST(ProgressText, TimeLeftAtThePaceSoFar)
{
    EXPECT_EQ(narrate::EstimateSecondsLeft(0, 5), std::nullopt);
    EXPECT_DOUBLE_EQ(narrate::EstimateSecondsLeft(0.25, 10).value(), 30);
    EXPECT_DOUBLE_EQ(narrate::EstimateSecondsLeft(1, 10).value(), 0);
}

class ProgressLineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
        RegisterSpeechClasses();
        voice_.Attach(new FakeVoice);
        ASSERT_EQ(file_.CoCreateInstance(CLSID_SpStream), S_OK);
        std::string path = (dir_ / "out.wav").string();
        std::u16string name(path.begin(), path.end());
        WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, 22050, 44100, 2, 16, 0};
        ASSERT_EQ(file_->BindToFile(name.c_str(), SPFM_CREATE_ALWAYS, &SPDFID_WaveFormatEx, &format, 0), S_OK);
        std::vector<char> twoSeconds(2 * 44100);
        ASSERT_EQ(file_->Write(twoSeconds.data(), static_cast<ULONG>(twoSeconds.size()), nullptr), S_OK);
        terminal_ = std::tmpfile();
        ASSERT_NE(terminal_, nullptr);
    }
    void TearDown() override
    {
        std::fclose(terminal_);
        file_.Release();
        voice_.Release();
        CoUninitialize();
    }
    std::string Shown()
    {
        std::fflush(terminal_);
        std::rewind(terminal_);
        std::string text;
        for (int c; (c = std::fgetc(terminal_)) != EOF;) text += static_cast<char>(c);
        return text;
    }

    testing_support::ScratchDir dir_;
    CComPtr<FakeVoice> voice_;
    CComPtr<ISpStream> file_;
    std::FILE* terminal_ = nullptr;
};

TEST_F(ProgressLineTest, ShowsTheVoicesPositionAndTheFilesAudioThenClearsTheLine)
{
    voice_->statusResult = S_OK;
    voice_->status.dwRunningState = SPRS_IS_SPEAKING;
    voice_->status.ulInputWordPos = 50;
    {
        ProgressLine line(terminal_, false, 200, 44100);
        line.Update(voice_, file_);
        voice_->status.ulInputWordPos = 100;
        line.Update(voice_, file_);
    }
    std::string shown = Shown();
    EXPECT_TRUE(shown.starts_with("\r\x1b[K 25% rendered, 0:02 of audio, about ")) << shown;
    EXPECT_NE(shown.find("\r\x1b[K 50% rendered, 0:02 of audio, about "), std::string::npos) << shown;
    EXPECT_TRUE(shown.ends_with(" left\r\x1b[K")) << shown;
}

TEST_F(ProgressLineTest, OnItsOwnLineWhenOutputSharesTheTerminalAndDoneIsAll)
{
    voice_->statusResult = S_OK;
    voice_->status.dwRunningState = SPRS_DONE;  // its position is the next request's
    ProgressLine line(terminal_, true, 200, 44100);
    line.Update(voice_, file_);
    line.Clear();
    std::string shown = Shown();
    EXPECT_TRUE(shown.starts_with("\n\r\x1b[K100% rendered")) << shown;
    EXPECT_TRUE(shown.ends_with("\r\x1b[K")) << shown;
}

TEST_F(ProgressLineTest, NoTerminalOrNoStatusShowsNothing)
{
    voice_->statusResult = S_OK;
    ProgressLine(nullptr, false, 200, 44100).Update(voice_, file_);
    voice_->statusResult = E_NOTIMPL;
    ProgressLine(terminal_, false, 200, 44100).Update(voice_, file_);
    EXPECT_EQ(Shown(), "");
}

}  // namespace
