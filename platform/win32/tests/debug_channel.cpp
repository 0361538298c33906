#include <varnel/debug_channel.h>

#include <env_var.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

namespace {

using win32::debug::Bit;
using win32::debug::Channel;
using win32::debug::ParseDebugChannels;
using win32::debug::ScopedChannels;

// Standard error goes to a file of a scratch folder for the life of the object.
class StderrToFile {
public:
    StderrToFile()
        : saved_(dup(STDERR_FILENO))
    {
        int file = open(path().c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        dup2(file, STDERR_FILENO);
        close(file);
    }
    ~StderrToFile()
    {
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    StderrToFile(const StderrToFile&) = delete;
    StderrToFile& operator=(const StderrToFile&) = delete;

    std::string Text() const
    {
        std::ifstream in(path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::filesystem::path path() const { return folder_ / "stderr"; }

    testing_support::ScratchDir folder_;
    int saved_;
};

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(DebugChannel, ParsesOneNameSeveralNamesAndAll)
{
    EXPECT_EQ(ParseDebugChannels("com"), Bit(Channel::Com));
    EXPECT_EQ(ParseDebugChannels("speech,mfc"), Bit(Channel::Speech) | Bit(Channel::Mfc));
    EXPECT_EQ(ParseDebugChannels("all"), win32::debug::kAllChannels);
    EXPECT_EQ(ParseDebugChannels("win32,all"), win32::debug::kAllChannels);
}

TEST(DebugChannel, IgnoresUnknownNamesEmptyItemsSpacesAndCase)
{
    EXPECT_EQ(ParseDebugChannels(""), 0u);
    EXPECT_EQ(ParseDebugChannels("heap,relay"), 0u);
    EXPECT_EQ(ParseDebugChannels(" Com , ,SPEECH,comx"), Bit(Channel::Com) | Bit(Channel::Speech));
    EXPECT_EQ(ParseDebugChannels(",win32,"), Bit(Channel::Win32));
}

TEST(DebugChannel, TheEnvironmentIsReadOnFirstUse)
{
    testing_support::EnvVar variable("VARNEL_DEBUG", "speech");
    ScopedChannels unread(win32::debug::detail::kUnread);
    EXPECT_TRUE(win32::debug::IsOn(Channel::Speech));
    EXPECT_FALSE(win32::debug::IsOn(Channel::Com));
}

TEST(DebugChannel, AnUnsetVariableTurnsEveryChannelOff)
{
    testing_support::EnvVar variable("VARNEL_DEBUG", std::nullopt);
    ScopedChannels unread(win32::debug::detail::kUnread);
    EXPECT_FALSE(win32::debug::IsOn(Channel::Com));
    EXPECT_FALSE(win32::debug::IsOn(Channel::Win32));
}

TEST(DebugChannel, AnOffChannelNeitherEvaluatesItsArgumentsNorWrites)
{
    StderrToFile captured;
    ScopedChannels only(Bit(Channel::Speech));
    int evaluated = 0;
    VARNEL_TRACE(Com, "call %d", ++evaluated);
    VARNEL_TRACE(Win32, "call %d", ++evaluated);
    EXPECT_EQ(evaluated, 0);
    EXPECT_EQ(captured.Text(), "");
}

TEST(DebugChannel, AnOnChannelWritesOneLineWithItsName)
{
    StderrToFile captured;
    ScopedChannels only(Bit(Channel::Mfc) | Bit(Channel::Speech));
    VARNEL_TRACE(Mfc, "dialog %d %s", 101, "created");
    VARNEL_TRACE(Com, "not this one");
    VARNEL_TRACE(Speech, "Speak");
    EXPECT_EQ(captured.Text(), "varnel:mfc: dialog 101 created\nvarnel:speech: Speak\n");
}

TEST(DebugChannel, ALongLineIsWrittenWhole)
{
    StderrToFile captured;
    ScopedChannels all(win32::debug::kAllChannels);
    std::string text(3000, 'x');
    VARNEL_TRACE(Win32, "%s!", text.c_str());
    EXPECT_EQ(captured.Text(), "varnel:win32: " + text + "!\n");
}

TEST(DebugChannel, LinesOfSeveralThreadsDoNotInterleave)
{
    constexpr int kThreads = 4, kLinesEach = 200;
    StderrToFile captured;
    ScopedChannels all(win32::debug::kAllChannels);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([t] {
            std::string text(300, static_cast<char>('a' + t));
            for (int i = 0; i < kLinesEach; ++i) VARNEL_TRACE(Com, "%s", text.c_str());
        });
    for (auto& thread : threads) thread.join();
    auto lines = Lines(captured.Text());
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(kThreads * kLinesEach));
    for (const auto& line : lines) {
        ASSERT_EQ(line.size(), 12u + 300u) << line;
        EXPECT_EQ(line.substr(12), std::string(300, line[12])) << line;
        EXPECT_EQ(line.substr(0, 12), "varnel:com: ");
    }
}

}  // namespace
