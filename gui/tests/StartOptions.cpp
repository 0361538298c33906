// The start options: recognised only alone, and what --help and --version print.
#include "StartOptions.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

using Arguments = std::vector<std::string>;

TEST(StartOptions, RecognisedOnlyAsTheSoleArgument)
{
    EXPECT_EQ(SoleStartOption({"--help"}), StartOption::Help);
    EXPECT_EQ(SoleStartOption({"--version"}), StartOption::Version);
    EXPECT_EQ(SoleStartOption({"--menu"}), StartOption::Menu);
    for (const Arguments& arguments : {Arguments{}, Arguments{"--help", "--version"}, Arguments{"/Embedding", "--menu"},
                                       Arguments{"-h"}, Arguments{"--Help"}, Arguments{"/Embedding"}, Arguments{""}})
        EXPECT_EQ(SoleStartOption(arguments), std::nullopt) << ::testing::PrintToString(arguments);
}

TEST(StartOptions, VersionIsTheResourcesAndTheBuildsVersion)
{
    EXPECT_EQ(StartVersionText(), "Varnel " VARNEL_PROJECT_VERSION "\n");
    EXPECT_TRUE(std::regex_search(StartHelpText(), std::regex("^usage: Varnel "))) << StartHelpText();
}

}  // namespace
