#include "WriteTextFile.h"

#include <gtest/gtest.h>

#include <scratch_dir.h>
#include <varnel/syscalls.h>

#include "gui_fixture.h"

namespace {

TEST(WriteTextFile, WritesInTextModeCreatingOrTruncating)
{
    testing_support::ScratchDir dir;
    std::string path = (dir / "input.txt").string();
    EXPECT_TRUE(WriteTextFile("one\ntwo\r\nend", path.c_str()));
    EXPECT_EQ(gui_test::ReadFile(path), "one\r\ntwo\r\r\nend");
    EXPECT_TRUE(WriteTextFile("x", path.c_str()));
    EXPECT_EQ(gui_test::ReadFile(path), "x");
    EXPECT_TRUE(WriteTextFile("", path.c_str()));
    EXPECT_EQ(gui_test::ReadFile(path), "");
}

TEST(WriteTextFile, FalseWhenTheFileCannotBeOpened)
{
    testing_support::ScratchDir dir;
    EXPECT_FALSE(WriteTextFile("text", (dir / "missing" / "input.txt").c_str()));
    EXPECT_FALSE(WriteTextFile("text", dir.path().c_str())) << "a folder";
}

}  // namespace
