#include "run_settings.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using narrate::ReadRunSettings;
using narrate::RunSettings;

RunSettings Read(std::vector<const char*> args)
{
    args.insert(args.begin(), "narrate");
    return ReadRunSettings(static_cast<int>(args.size()), const_cast<char**>(args.data()));
}

TEST(RunSettings, TwoArgumentsTakeTheDefaults)
{
    RunSettings settings = Read({"in.txt", "out.wav"});
    EXPECT_STREQ(settings.inputPath, "in.txt");
    EXPECT_STREQ(settings.outputPath, "out.wav");
    EXPECT_EQ(settings.voiceNumber, 1);
    EXPECT_EQ(settings.rate, 1);
    EXPECT_EQ(settings.volume, 50);
}

TEST(RunSettings, EachOptionalArgumentTakesEffectWhenPresent)
{
    RunSettings three = Read({"in", "out", "2"});
    EXPECT_EQ(three.voiceNumber, 2);
    EXPECT_EQ(three.rate, 1);
    EXPECT_EQ(three.volume, 50);
    RunSettings four = Read({"in", "out", "2", "-3x"});
    EXPECT_EQ(four.rate, -3);
    EXPECT_EQ(four.volume, 50);
    RunSettings five = Read({"in", "out", "abc", "7", "80"});
    EXPECT_EQ(five.voiceNumber, 0);
    EXPECT_EQ(five.rate, 7);
    EXPECT_EQ(five.volume, 80);
}

TEST(RunSettings, ArgumentsAfterTheFifthChangeNothing)
{
    RunSettings five = Read({"in", "out", "3", "4", "5"});
    RunSettings seven = Read({"in", "out", "3", "4", "5", "6", "extra"});
    EXPECT_EQ(seven.voiceNumber, five.voiceNumber);
    EXPECT_EQ(seven.rate, five.rate);
    EXPECT_EQ(seven.volume, five.volume);
}

TEST(RunSettings, PathsNeedTwoArguments)
{
    EXPECT_FALSE(narrate::HasPaths(1));
    EXPECT_FALSE(narrate::HasPaths(2));
    EXPECT_TRUE(narrate::HasPaths(3));
    EXPECT_EQ(Read({"only"}).outputPath, nullptr);
}

TEST(RunSettings, VolumeReachesTheEngineAsItsLow16Bits)
{
    EXPECT_EQ(narrate::EngineVolume(65536 + 10), 10);
    EXPECT_EQ(narrate::EngineVolume(-1), 65535);
    EXPECT_EQ(narrate::EngineVolume(100), 100);
    EXPECT_EQ(narrate::EngineVolume(Read({"in", "out", "1", "1", "65546"}).volume), 10);
}

}  // namespace
