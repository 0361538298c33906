#include <varnel/command_line.h>

#include <gtest/gtest.h>

namespace {

using Items = std::vector<std::string>;

struct Case {
    const char* line;
    Items items;
};

// Program name first; the cases with backslashes and quotes are the Microsoft
// C runtime's documented examples and the corners around them.
const Case kCases[] = {
    {"prog", {"prog"}},
    {"prog a b  c", {"prog", "a", "b", "c"}},
    {"prog\ta\t\tb", {"prog", "a", "b"}},
    {"prog a   ", {"prog", "a"}},
    {"prog \"a b c\" d e", {"prog", "a b c", "d", "e"}},
    {"prog \"ab\\\"c\" \"\\\\\" d", {"prog", "ab\"c", "\\", "d"}},
    {"prog a\\\\\\b d\"e f\"g h", {"prog", "a\\\\\\b", "de fg", "h"}},
    {"prog a\\\\\\\"b c d", {"prog", "a\\\"b", "c", "d"}},
    {"prog a\\\\\\\\\"b c\" d e", {"prog", "a\\\\b c", "d", "e"}},
    {"prog a\\b\\", {"prog", "a\\b\\"}},
    {"prog \"C:\\dir\\\\\" x", {"prog", "C:\\dir\\", "x"}},
    {"prog \"C:\\dir\\\" x", {"prog", "C:\\dir\" x"}},
    // "" inside quotes: one literal quote, and the quoted part goes on.
    {"prog a\"b\"\" c d", {"prog", "ab\" c d"}},
    {"prog \"\"\"a\"\"\"", {"prog", "\"a\""}},
    {"prog \"a\"\"b\" c", {"prog", "a\"b", "c"}},
    // Empty arguments and unclosed quotes.
    {"prog \"\" \"\"", {"prog", "", ""}},
    {"prog a \"\" b", {"prog", "a", "", "b"}},
    {"prog \"a b", {"prog", "a b"}},
    {"prog \"", {"prog", ""}},
    {"prog \\\"", {"prog", "\""}},
    // The program name: quotes group, backslashes are literal.
    {"\"/opt/my app/prog\" x", {"/opt/my app/prog", "x"}},
    {"\"/a b\"c d", {"/a bc", "d"}},
    {"C:\\dir\\\"x y\" z", {"C:\\dir\\x y", "z"}},
    {"C:\\dir\\prog.exe \\\"a", {"C:\\dir\\prog.exe", "\"a"}},
    {" prog", {"", "prog"}},
    // Non-ASCII bytes pass through untouched.
    {"prog \"\xe6\x96\x87 \xe4\xbb\xb6\"", {"prog", "\xe6\x96\x87 \xe4\xbb\xb6"}},
    // The converter's command line as the dialog forms it.
    {"\"/opt/v/narrate\" \"/tmp/input.txt\" \"/home/u/my \\\"best\\\" take.wav\" 1 -3 80",
     {"/opt/v/narrate", "/tmp/input.txt", "/home/u/my \"best\" take.wav", "1", "-3", "80"}},
};

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    for (const auto& c : kCases) EXPECT_EQ(win32::SplitCommandLine(c.line), c.items) << "line: " << c.line;
}

TEST(SplitCommandLine, EmptyLineHasNoItems) { EXPECT_TRUE(win32::SplitCommandLine("").empty()); }

TEST(SplitProgramName, LeavesTheRestUntouched)
{
    auto [program, rest] = win32::SplitProgramName("\"explorer.exe\" /Select,/e, \"a\\\"b\"");
    EXPECT_EQ(program, "explorer.exe");
    EXPECT_EQ(rest, " /Select,/e, \"a\\\"b\"");
}

TEST(SplitArguments, ExtraSeparatorsApplyOutsideQuotesOnly)
{
    EXPECT_EQ(win32::SplitArguments("/Select,/e, \"/a,b c\",,x", " \t,"), (Items{"/Select", "/e", "/a,b c", "x"}));
}

}  // namespace
