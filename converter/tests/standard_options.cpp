// --help, --version and --voices: only as the sole argument, every other command
// line as before.
#include "standard_options.h"

#include "converter_test_support.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <regex>
#include <sstream>

namespace {

using converter_test::RunChild;
using converter_test::RunResult;
using converter_test::WriteBytes;

std::optional<narrate::StandardOption> Sole(std::vector<const char*> args)
{
    args.insert(args.begin(), "narrate");
    return narrate::SoleStandardOption(static_cast<int>(args.size()), args.data());
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(StandardOptionsTest, RecognisedOnlyAloneAndSpelledExactly)
{
    EXPECT_EQ(Sole({"--help"}), narrate::StandardOption::Help);
    EXPECT_EQ(Sole({"--version"}), narrate::StandardOption::Version);
    EXPECT_EQ(Sole({"--voices"}), narrate::StandardOption::Voices);
    for (auto args : std::vector<std::vector<const char*>>{
             {}, {"-h"}, {"--HELP"}, {"--help=1"}, {"--voice"}, {""}, {"--help", "out.wav"}, {"in.txt", "--voices"}})
        EXPECT_EQ(Sole(args), std::nullopt) << (args.empty() ? "(none)" : args[0]);
}

TEST(StandardOptionsTest, HelpAndVersionPrintAndSucceed)
{
    RunResult help = RunChild({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: narrate [options] <input file> <output file>", 0), 0u) << help.out;
    for (const char* option : {"--chapters", "--pick", "--split", "--loop", "--subtitles", ".m4b"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(help.err, "");

    RunResult version = RunChild({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(std::regex_match(version.out, std::regex("narrate [0-9]+(\\.[0-9]+){1,3}\n"))) << version.out;
}

TEST(StandardOptionsTest, OtherCommandLinesKeepTheirMeaning)
{
    testing_support::IsolatedEnvironment env;
    RunResult shortOption = RunChild({"-h"});
    EXPECT_EQ(shortOption.exitCode, 1);
    EXPECT_EQ(shortOption.out, "Please input a txt file to be converted to wav.\n");

    // Two arguments are a run: "--help" is the input file's name.
    RunResult asInput = RunChild({"--help", (env.cwd() / "out.wav").string()});
    EXPECT_EQ(asInput.exitCode, 1);
    EXPECT_EQ(asInput.out, "Open file --help failed!\n") << asInput.err;
    EXPECT_FALSE(std::filesystem::exists(env.cwd() / "out.wav"));
}

TEST(StandardOptionsTest, VoicesAreNumberedAsARunCountsThem)
{
    testing_support::IsolatedEnvironment env;
    RunResult list = RunChild({"--voices"});
    ASSERT_EQ(list.exitCode, 0) << list.err;
    EXPECT_EQ(list.err, "");
    std::vector<std::string> lines = Lines(list.out);
    ASSERT_FALSE(lines.empty());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string prefix = std::to_string(i + 1) + "\t";
        EXPECT_EQ(lines[i].rfind(prefix, 0), 0u) << lines[i];
        EXPECT_GT(lines[i].size(), prefix.size()) << "no description: " << lines[i];
    }
    // A run past the last voice names the same count.
    WriteBytes(env.cwd() / "in.txt", "Hello");
    RunResult past = RunChild({(env.cwd() / "in.txt").string(), (env.cwd() / "out.wav").string(),
                               std::to_string(lines.size() + 1)});
    EXPECT_EQ(past.exitCode, 1);
    EXPECT_NE(past.err.find(": " + std::to_string(lines.size()) + " voices are installed"), std::string::npos)
        << past.err;
}

TEST(StandardOptionsTest, OutputThatCannotBeWrittenFails)
{
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const char* option : {"--voices", "--help"}) {
        std::string command = converter_test::BuiltNarrate() + " " + option + " >/dev/full 2>/dev/null";
        int status = std::system(command.c_str());
        ASSERT_TRUE(WIFEXITED(status)) << option;
        EXPECT_EQ(WEXITSTATUS(status), 1) << option;
    }
}

}  // namespace
