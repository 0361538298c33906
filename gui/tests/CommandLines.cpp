// Quoting by the Windows rules, checked against the platform's own splitter.
#include "CommandLines.h"

#include <gtest/gtest.h>

#include <varnel/command_line.h>

namespace {

std::vector<std::string> Split(const CString& line) { return win32::SplitCommandLine(line.GetString()); }

TEST(QuoteArgument, TrickyArgumentsSurviveTheSplitter)
{
    const char* cases[] = {"",          "plain",        "with blank",    "tab\there",     "quote\"inside",
                           "\"",        "\\",           "ends\\",        "ends\\\\",      "a\\\"b",
                           "a\\\\\"b",  "\\\\server\\share\\", "中文 路径", "x\"\"y",       "  lead and trail  "};
    for (const char* argument : cases) {
        auto parts = Split("prog " + QuoteArgument(argument));
        ASSERT_EQ(parts.size(), 2u) << argument;
        EXPECT_EQ(parts[1], argument);
    }
}

TEST(QuoteArgument, DoublesOnlyBackslashesBeforeAQuote)
{
    EXPECT_EQ(QuoteArgument("a\\b"), "\"a\\b\"");
    EXPECT_EQ(QuoteArgument("a\\"), "\"a\\\\\"");
    EXPECT_EQ(QuoteArgument("a\\\"b"), "\"a\\\\\\\"b\"");
}

TEST(ConverterCommandLine, HasTheSixItems)
{
    CString line = ConverterCommandLine("/opt/var nel", "/tmp/cwd/input.txt", "/tmp/out \"1\".wav", 1, -3, 100);
    EXPECT_EQ(line, "\"/opt/var nel/narrate\" \"/tmp/cwd/input.txt\" \"/tmp/out \\\"1\\\".wav\" 1 -3 100");
    auto parts = Split(line);
    std::vector<std::string> expected = {"/opt/var nel/narrate", "/tmp/cwd/input.txt", "/tmp/out \"1\".wav", "1",
                                         "-3", "100"};
    EXPECT_EQ(parts, expected);
}

TEST(ConverterCommandLine, AProgramFolderWithAQuoteCannotBeNamed)
{
    EXPECT_TRUE(ConverterCommandLine("/opt/\"q\"", "/a", "/b", 1, 0, 100).IsEmpty());
}

TEST(ExplorerCommandLines, SelectOrShowAFolder)
{
    EXPECT_EQ(ExplorerSelectCommandLine("/tmp/a b.wav"), "explorer.exe /Select,/e, \"/tmp/a b.wav\"");
    EXPECT_EQ(ExplorerFolderCommandLine("/tmp/x"), "explorer.exe /e, \"/tmp/x\"");
}

}  // namespace
