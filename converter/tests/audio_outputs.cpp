// narrate writing the compressed containers, and its options on a text file, run as
// a child process with the real engine; FFmpeg reads what it wrote.
#include "converter_test_support.h"

#include <decoded_media.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

namespace {

using converter_test::NamesIn;
using converter_test::ReadBytes;
using converter_test::RunChild;
using converter_test::RunResult;
using converter_test::WriteBytes;

constexpr const char* kText = "The keeper climbed the stair at dusk and lit the lamp\n";

class AudioOutputsTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    testing_support::ScratchDir dir_;
};

TEST_F(AudioOutputsTest, AnExtensionNoContainerHasFailsAtOnceNamingThoseThatWork)
{
    WriteBytes(Path("in.txt"), kText);
    for (const char* name : {"out.aac", "out", "out.wav.part"}) {
        RunResult run = RunChild({Path("in.txt"), Path(name)});
        EXPECT_EQ(run.exitCode, 1) << name;
        EXPECT_EQ(run.out, "") << "nothing is read: " << name;
        EXPECT_EQ(run.err, "narrate: cannot write " + Path(name) +
                               ": the output file's extension must be one of .wav, .flac, .opus, .ogg, .mp3, "
                               ".m4a, .m4b\n");
    }
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"in.txt"}));
}

TEST_F(AudioOutputsTest, ATextFileBecomesAnOpusFileTitledAfterItAndTheOldOneIsReplaced)
{
    WriteBytes(Path("Keeper Notes.txt"), kText);
    WriteBytes(Path("out.OPUS"), "old");
    RunResult run = RunChild({Path("Keeper Notes.txt"), Path("out.OPUS"), "1", "0", "100"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "54 char to be conerted......");
    std::optional<encoding_test::Probed> probed = encoding_test::Probe(Path("out.OPUS"));
    ASSERT_TRUE(probed);
    EXPECT_EQ(probed->codec, "opus");
    EXPECT_EQ(probed->tags["title"], "Keeper Notes");
    EXPECT_TRUE(probed->chapters.empty()) << "a text file has no chapters";
    EXPECT_GT(probed->duration, 2.0);
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"Keeper Notes.txt", "out.OPUS"}));
}

TEST_F(AudioOutputsTest, ChaptersPickSplitAndLoopOnATextFileOfOneChapter)
{
    WriteBytes(Path("notes.txt"), kText);
    RunResult list = RunChild({"--chapters", Path("notes.txt")});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "1\tnotes\t11\n");

    RunResult past = RunChild({"--pick", "2", Path("notes.txt"), Path("out.wav")});
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_EQ(past.err, "narrate: --pick 2: there is no chapter 2, the input has 1\n");
    EXPECT_FALSE(std::filesystem::exists(Path("out.wav")));

    RunResult split = RunChild({"--split", Path("notes.txt"), Path("out.opus")});
    ASSERT_EQ(split.exitCode, 0) << split.err;
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"notes.txt", "out 01 notes.opus"}));
    EXPECT_EQ(encoding_test::Probe(Path("out 01 notes.opus"))->tags["track"], "1/1");

    ASSERT_EQ(RunChild({Path("notes.txt"), Path("once.wav"), "1", "0", "100"}).exitCode, 0);
    ASSERT_EQ(RunChild({"--loop", "3", Path("notes.txt"), Path("thrice.wav"), "1", "0", "100"}).exitCode, 0);
    const double once = double(ReadBytes(Path("once.wav")).size()), thrice = double(ReadBytes(Path("thrice.wav")).size());
    EXPECT_NEAR(thrice / once, 3.0, 0.3);

    RunResult missing = RunChild({"--chapters", Path("missing.txt")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "Open file " + Path("missing.txt") + " failed!\n");
}

}  // namespace
