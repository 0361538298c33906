// narrate --subtitles: the SubRip file beside the audio, its cues where each
// sentence's speech is in the file, and a subtitle file that cannot be written.
#include "subtitle_cues.h"

#include "converter_test_support.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

namespace narrate {
namespace {

using converter_test::NamesIn;
using converter_test::ParseWav;
using converter_test::QuickVoice;
using converter_test::ReadBytes;
using converter_test::RunChild;
using converter_test::RunResult;
using converter_test::WriteBytes;

TEST(SubtitleCues, PathsAndTheSubRipLayout)
{
    EXPECT_EQ(SubtitlePath("book.opus"), "book.srt");
    EXPECT_EQ(SubtitlePath("dir.v2/book"), "dir.v2/book.srt");
    EXPECT_EQ(SubtitlePath("dir/book 01 Intro.m4b"), "dir/book 01 Intro.srt");

    const std::vector<SubtitleCue> cues = {{0, 1250, u"First."}, {3723004, 3723004, u"Caf\u00e9 \u2014 second"}};
    EXPECT_EQ(SubRipText(cues), "1\n00:00:00,000 --> 00:00:01,250\nFirst.\n\n"
                                "2\n01:02:03,004 --> 01:02:03,005\nCaf\xc3\xa9 \xe2\x80\x94 second\n");
    EXPECT_EQ(SubRipText({}), "");
}

struct ParsedCue {
    int number = 0;
    double start = 0, end = 0;  // seconds
    std::string text;
};

double Seconds(const std::string& stamp)
{
    int h = 0, m = 0, s = 0, ms = 0;
    EXPECT_EQ(std::sscanf(stamp.c_str(), "%d:%d:%d,%d", &h, &m, &s, &ms), 4) << stamp;
    return h * 3600 + m * 60 + s + ms / 1000.0;
}

std::vector<ParsedCue> ParseSubRip(const std::string& srt)
{
    std::vector<ParsedCue> cues;
    std::istringstream in(srt);
    for (std::string number, times, text, blank; std::getline(in, number) && std::getline(in, times);) {
        std::getline(in, text);
        ParsedCue cue;
        cue.number = std::stoi(number);
        const std::size_t arrow = times.find(" --> ");
        EXPECT_NE(arrow, std::string::npos) << times;
        cue.start = Seconds(times.substr(0, arrow));
        cue.end = Seconds(times.substr(arrow + 5));
        cue.text = text;
        cues.push_back(cue);
        std::getline(in, blank);
        EXPECT_EQ(blank, "");
    }
    return cues;
}

double Rms(const std::vector<std::int16_t>& samples, double from, double to)
{
    const auto first = static_cast<std::size_t>(std::max(0.0, from) * 22050);
    const auto last = std::min(samples.size(), static_cast<std::size_t>(to * 22050));
    double sum = 0;
    for (std::size_t i = first; i < last; ++i) sum += double(samples[i]) * samples[i];
    return last > first ? std::sqrt(sum / double(last - first)) : 0;
}

class SubtitlesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        input_ = (env_.cwd() / "in.txt").string();
        // A text file's full stops are dropped, so its lines are its sentences.
        WriteBytes(input_, "The first line is spoken here\nThen a second one\n\nAnd the third comes last\n");
    }
    std::string Path(const char* name) { return (env_.cwd() / name).string(); }

    testing_support::IsolatedEnvironment env_;
    std::string input_;
};

TEST_F(SubtitlesTest, OneCuePerLineWhereItsSpeechIsAndTheAudioAsWithout)
{
    RunResult run = RunChild({"--subtitles", input_, Path("out.wav"), QuickVoice()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    RunResult plain = RunChild({input_, Path("plain.wav"), QuickVoice()});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(ReadBytes(Path("out.wav")), ReadBytes(Path("plain.wav"))) << "the audio does not change";
    EXPECT_EQ(NamesIn(env_.cwd()), (std::vector<std::string>{"in.txt", "out.srt", "out.wav", "plain.wav"}));

    const std::vector<ParsedCue> cues = ParseSubRip(ReadBytes(Path("out.srt")));
    ASSERT_EQ(cues.size(), 3u);
    const char* lines[] = {"The first line is spoken here", "Then a second one", "And the third comes last"};
    const std::vector<std::int16_t> samples = ParseWav(ReadBytes(Path("out.wav"))).samples;
    const double length = samples.size() / 22050.0;
    double previousEnd = 0;
    for (int i = 0; i < 3; ++i) {
        const ParsedCue& cue = cues[i];
        EXPECT_EQ(cue.number, i + 1);
        EXPECT_EQ(cue.text, lines[i]);
        EXPECT_GE(cue.start, previousEnd) << "cues do not overlap";
        EXPECT_GT(cue.end, cue.start + 0.5) << lines[i];
        EXPECT_LE(cue.end, length + 0.001);
        EXPECT_GT(Rms(samples, cue.start, cue.end), 500) << "speech within " << lines[i];
        previousEnd = cue.end;
    }
    // A line end without a blank line runs on without a pause: the next cue begins
    // where the last one ends. The blank line is a pause: quiet before the third
    // cue and after the second, speech right after the third begins.
    EXPECT_NEAR(cues[1].start, cues[0].end, 0.05);
    EXPECT_LT(Rms(samples, cues[1].end, cues[1].end + 0.1), 50);
    EXPECT_LT(Rms(samples, cues[2].start - 0.1, cues[2].start), 50);
    EXPECT_GT(Rms(samples, cues[2].start, cues[2].start + 0.1), 500);
}

// A text long enough to be rendered in pieces on the workers: every line its cue,
// in order, and the audio still the same as without subtitles.
TEST_F(SubtitlesTest, ALongTextRenderedInPiecesGetsEveryCueAndTheSameAudio)
{
    std::string text;
    for (int i = 1; i <= 200; ++i) text += "This is line " + std::to_string(i) + " of the long text\n";
    WriteBytes(input_, text);
    RunResult run = RunChild({"--subtitles", input_, Path("long.wav"), QuickVoice()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    RunResult plain = RunChild({input_, Path("plain.wav"), QuickVoice()});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(ReadBytes(Path("long.wav")), ReadBytes(Path("plain.wav")));
    const std::vector<ParsedCue> cues = ParseSubRip(ReadBytes(Path("long.srt")));
    ASSERT_EQ(cues.size(), 200u);
    const double length = ParseWav(ReadBytes(Path("long.wav"))).samples.size() / 22050.0;
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(cues[i].text, "This is line " + std::to_string(i + 1) + " of the long text");
        if (i > 0) {
            EXPECT_GE(cues[i].start, cues[i - 1].end);
        }
    }
    EXPECT_LE(cues.back().end, length + 0.001);
    EXPECT_GT(cues.back().end, length - 1.0) << "the last cue ends with the speech";
}

TEST_F(SubtitlesTest, ASubtitleFileThatCannotBeWrittenFailsTheRunAndKeepsTheOldFiles)
{
    WriteBytes(Path("out.wav"), "old audio");
    std::filesystem::create_directory(Path("out.srt"));  // nothing can be moved over it
    RunResult run = RunChild({"--subtitles", input_, Path("out.wav"), QuickVoice()});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("subtitle file"), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(Path("out.wav")), "old audio");
    EXPECT_TRUE(std::filesystem::is_directory(Path("out.srt")));
    EXPECT_EQ(NamesIn(env_.cwd()), (std::vector<std::string>{"in.txt", "out.srt", "out.wav"})) << "no temporary left";
}

}  // namespace
}  // namespace narrate
