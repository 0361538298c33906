#include "temporary_output.h"

#include "converter_test_support.h"

#include <scratch_dir.h>
#include <winbase.h>

#include <gtest/gtest.h>

namespace {

using converter_test::NamesIn;
using converter_test::ReadBytes;
using converter_test::WriteBytes;

TEST(TemporaryOutput, FreshNameInTheOutputsFolder)
{
    testing_support::ScratchDir dir;
    std::string target = (dir / "out.wav").string();
    std::string first;
    {
        narrate::TemporaryOutput temporary(target);
        first = temporary.path();
        EXPECT_EQ(narrate::FolderOf(first), dir.path().string() + "/");
        WriteBytes(first, "taken");  // the next one must pick another name
        narrate::TemporaryOutput second(target);
        EXPECT_NE(second.path(), first);
        EXPECT_EQ(narrate::FolderOf(second.path()), narrate::FolderOf(first));
    }
    EXPECT_EQ(ReadBytes(first), "taken");  // never created by them, so never removed
    {
        // Two held at once before either is made (audio and subtitles) differ too.
        narrate::TemporaryOutput audio(target), subtitles(target);
        EXPECT_NE(audio.path(), subtitles.path());
    }
    EXPECT_EQ(narrate::FolderOf("bare.wav"), "");
    EXPECT_EQ(narrate::FolderOf("/x.wav"), "/");
}

TEST(TemporaryOutput, UncommittedOrFailedFileIsRemoved)
{
    testing_support::ScratchDir dir;
    std::string target = (dir / "out.wav").string();
    WriteBytes(target, "old");
    {
        narrate::TemporaryOutput temporary(target);
        temporary.Create([&] { WriteBytes(temporary.path(), "half"); });
    }
    EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"out.wav"}));
    std::filesystem::create_directories(dir / "folder" / "inside");
    narrate::TemporaryOutput overFolder((dir / "folder").string());
    overFolder.Create([&] { WriteBytes(overFolder.path(), "new"); });
    EXPECT_FALSE(overFolder.Commit());
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(NamesIn(dir.path()), (std::vector<std::string>{"folder", "out.wav"}));
    EXPECT_EQ(ReadBytes(target), "old");
}

}  // namespace
