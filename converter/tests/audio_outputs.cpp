// narrate writing the compressed containers, and its options on a text file, run as
// a child process with the real engine; FFmpeg reads what it wrote.
#include "converter_test_support.h"

#include <decoded_media.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <algorithm>

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

constexpr const char* kBook =
    "---\ntitle: The Keeper\nauthor: A. Writer\n---\n\n"
    "# One\n\nThe lamp was lit at dusk, and the wind rose.\n\n"
    "# Two\n\nAt night the sea came over the rocks.\n\n"
    "# Three\n\nMorning was calm.\n";

TEST_F(AudioOutputsTest, ADocumentsChaptersAreListedPickedSplitAndMarkedWithItsPunctuationKept)
{
    WriteBytes(Path("book.md"), kBook);
    RunResult list = RunChild({"--chapters", Path("book.md")});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.out, "1\tOne\t11\n2\tTwo\t9\n3\tThree\t4\n");

    RunResult whole = RunChild({Path("book.md"), Path("book.opus"), "1", "3", "100"});
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    // The spoken text keeps every full stop and comma; the title block is not in it.
    const std::string spoken = "One\n\nThe lamp was lit at dusk, and the wind rose.\n\n"
                               "Two\n\nAt night the sea came over the rocks.\n\nThree\n\nMorning was calm.";
    EXPECT_EQ(whole.out, std::to_string(spoken.size()) + " char to be conerted......");
    std::optional<encoding_test::Probed> book = encoding_test::Probe(Path("book.opus"));
    ASSERT_TRUE(book);
    EXPECT_EQ(book->tags["title"], "The Keeper");
    EXPECT_EQ(book->tags["artist"], "A. Writer");
    ASSERT_EQ(book->chapters.size(), 3u);
    EXPECT_EQ(book->chapters[2].title, "Three");
    EXPECT_LT(book->chapters[0].start, book->chapters[1].start);

    ASSERT_EQ(RunChild({"--pick", "3,1", Path("book.md"), Path("picked.opus"), "1", "3"}).exitCode, 0);
    std::optional<encoding_test::Probed> picked = encoding_test::Probe(Path("picked.opus"));
    ASSERT_TRUE(picked);
    ASSERT_EQ(picked->chapters.size(), 2u);
    EXPECT_EQ(picked->chapters[0].title, "One");
    EXPECT_EQ(picked->chapters[1].title, "Three");

    std::filesystem::create_directory(Path("split"));
    ASSERT_EQ(RunChild({"--split", "--pick", "2-3", Path("book.md"), Path("split/keeper.opus"), "1", "3"}).exitCode, 0);
    EXPECT_EQ(NamesIn(Path("split")), (std::vector<std::string>{"keeper 02 Two.opus", "keeper 03 Three.opus"}));
    std::optional<encoding_test::Probed> two = encoding_test::Probe(Path("split/keeper 02 Two.opus"));
    ASSERT_TRUE(two);
    EXPECT_EQ(two->tags["title"], "Two");
    EXPECT_EQ(two->tags["album"], "The Keeper");
    EXPECT_EQ(two->tags["track"], "2/3");
}

TEST_F(AudioOutputsTest, ABadDocumentGetsOneLineKeepsTheOldFileAndLeavesNothing)
{
    // An EPUB cut short: its first entry says what it is, its directory is gone.
    std::string truncated("PK\x03\x04\x0a\0\0\0\0\0\0\0\0\0", 14);
    truncated += std::string("\x6d\x2b\xe0\x2d\x14\0\0\0\x14\0\0\0\x08\0\0\0", 16);
    truncated += "mimetypeapplication/epub+zipPK\x03\x04";
    WriteBytes(Path("cut.epub"), truncated);
    WriteBytes(Path("out.opus"), "old");
    RunResult run = RunChild({Path("cut.epub"), Path("out.opus")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("narrate: " + Path("cut.epub") + " is a damaged EPUB", 0), 0u) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadBytes(Path("out.opus")), "old");
    EXPECT_EQ(NamesIn(dir_.path()), (std::vector<std::string>{"cut.epub", "out.opus"}));
}

}  // namespace
