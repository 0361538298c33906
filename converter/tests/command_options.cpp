#include "command_options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Parsed {
    narrate::CommandLine line;
    std::vector<std::string> rest;  // the arguments left, program name first
};

Parsed Parse(std::vector<const char*> args)
{
    static std::vector<std::string> storage;
    storage.assign(args.begin(), args.end());
    storage.insert(storage.begin(), "narrate");
    static std::vector<char*> argv;
    argv.clear();
    for (std::string& arg : storage) argv.push_back(arg.data());
    Parsed parsed{narrate::ParseCommandLine(static_cast<int>(argv.size()), argv.data()), {}};
    for (int i = 0; i < parsed.line.argc; ++i) parsed.rest.push_back(parsed.line.argv[i]);
    return parsed;
}

using Args = std::vector<std::string>;

TEST(CommandOptions, OptionsComeFirstAndEverythingElseKeepsItsMeaning)
{
    Parsed plain = Parse({"in.txt", "out.wav", "2", "0", "80"});
    EXPECT_EQ(plain.rest, (Args{"narrate", "in.txt", "out.wav", "2", "0", "80"}));
    EXPECT_FALSE(plain.line.options.split || plain.line.options.listChapters || plain.line.options.subtitles);

    Parsed all = Parse({"--split", "--pick", "2,4-6", "--subtitles", "--loop", "3", "book.epub", "book.opus", "1"});
    EXPECT_TRUE(all.line.error.empty()) << all.line.error;
    EXPECT_TRUE(all.line.options.split);
    EXPECT_TRUE(all.line.options.subtitles);
    EXPECT_EQ(all.line.options.pick, "2,4-6");
    EXPECT_EQ(all.line.options.loop, 3);
    EXPECT_EQ(all.rest.size(), 4u);
    EXPECT_EQ(all.rest[1], "book.epub");
    EXPECT_EQ(all.rest[3], "1");

    // "--" ends the options; what looks like one after it, or an unknown one, is a name.
    EXPECT_EQ(Parse({"--", "--split", "out.wav"}).rest, (Args{"--", "--split", "out.wav"}));
    EXPECT_EQ(Parse({"--help", "out.wav"}).rest, (Args{"narrate", "--help", "out.wav"}));
    EXPECT_EQ(Parse({"--chapters", "book.epub"}).rest, (Args{"--chapters", "book.epub"}));
    EXPECT_TRUE(Parse({"--chapters", "book.epub"}).line.options.listChapters);
}

TEST(CommandOptions, AMissingOrOutOfRangeValueIsAnError)
{
    EXPECT_EQ(Parse({"in.txt", "--pick"}).line.error, "");  // after a name it is a name
    EXPECT_NE(Parse({"--pick"}).line.error.find("--pick needs a value"), std::string::npos);
    for (const char* loop : {"0", "1000", "x", "2x", ""})
        EXPECT_NE(Parse({"--loop", loop, "in.txt", "out.wav"}).line.error.find("1 to 999"), std::string::npos) << loop;
    EXPECT_EQ(Parse({"--loop", "999", "in.txt", "out.wav"}).line.options.loop, 999);
}

}  // namespace
