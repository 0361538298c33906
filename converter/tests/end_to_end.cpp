// The built narrate, run as a child process with the real engine.
#include "converter_test_support.h"

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdio>

#include <poll.h>
#include <sys/inotify.h>
#include <sys/prctl.h>
#include <sys/wait.h>

namespace {

using converter_test::AwaitEvent;
using converter_test::Child;
using converter_test::ErrorTo;
using converter_test::NamesIn;
using converter_test::ParseWav;
using converter_test::QuickVoice;
using converter_test::ReadBytes;
using converter_test::RunChild;
using converter_test::RunResult;
using converter_test::Wav;
using converter_test::WriteBytes;

constexpr const char* kText =
    "The quick brown fox jumps over the lazy dog. A converter turns this text into speech, "
    "and the speech into a file that any player can open.\n";

std::size_t KeptBytes(std::string_view text)
{
    return text.size() - static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
               return c == '.' || c == ',' || c == '$';
           }));
}

double Rms(const std::vector<std::int16_t>& samples)
{
    double sum = 0;
    for (std::int16_t s : samples) sum += double(s) * s;
    return samples.empty() ? 0 : std::sqrt(sum / samples.size());
}

std::string Soxi(const std::string& option, const std::string& path)
{
    std::string command = "soxi " + option + " '" + path + "' 2>/dev/null";
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        pclose(pipe);
    }
    return out;
}

class EndToEndTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(converter_test::BuiltNarrate())) << converter_test::BuiltNarrate();
        input_ = (env_.cwd() / "in.txt").string();
        WriteBytes(input_, kText);
    }

    // Renders with the given optional arguments; the file's bytes.
    std::string Render(const std::string& name, std::vector<std::string> options = {})
    {
        std::string output = (env_.cwd() / name).string();
        std::vector<std::string> args{input_, output};
        args.insert(args.end(), options.begin(), options.end());
        RunResult run = RunChild(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.out, std::to_string(KeptBytes(kText)) + " char to be conerted......");
        EXPECT_EQ(run.err, "");
        return ReadBytes(output);
    }

    testing_support::IsolatedEnvironment env_;
    std::string input_;
};

TEST_F(EndToEndTest, SoxiReadsAPlausibleWav)
{
    Render("out.wav");
    std::string path = (env_.cwd() / "out.wav").string();
    EXPECT_EQ(std::stoi(Soxi("-r", path)), 22050);
    EXPECT_EQ(std::stoi(Soxi("-c", path)), 1);
    EXPECT_EQ(std::stoi(Soxi("-b", path)), 16);
    double seconds = std::stod(Soxi("-D", path));
    // 25 words at about 175 words a minute (rate 1 is a little faster).
    EXPECT_GT(seconds, 4.0);
    EXPECT_LT(seconds, 15.0);
}

TEST_F(EndToEndTest, TwoVoicesGiveDifferentAudio)
{
    Wav first = ParseWav(Render("one.wav", {"1"}));
    Wav second = ParseWav(Render("two.wav", {"2"}));
    ASSERT_TRUE(first.valid && second.valid);
    EXPECT_NE(first.samples, second.samples);
}

TEST_F(EndToEndTest, FasterRateIsShorter)
{
    Wav fast = ParseWav(Render("fast.wav", {"1", "5"}));
    Wav slow = ParseWav(Render("slow.wav", {"1", "-5"}));
    ASSERT_TRUE(fast.valid && slow.valid);
    EXPECT_LT(fast.samples.size() * 1.5, slow.samples.size());
}

TEST_F(EndToEndTest, VolumeFiftyIsAboutHalfTheAmplitudeOfOneHundred)
{
    Wav full = ParseWav(Render("full.wav", {"1", "0", "100"}));
    Wav half = ParseWav(Render("half.wav", {"1", "0", "50"}));
    ASSERT_TRUE(full.valid && half.valid);
    ASSERT_EQ(full.samples.size(), half.samples.size());
    double ratio = Rms(half.samples) / Rms(full.samples);
    EXPECT_NEAR(ratio, 0.5, 0.05);
}

TEST_F(EndToEndTest, SameRunTwiceGivesIdenticalFilesAndASixthArgumentChangesNothing)
{
    std::string first = Render("a.wav", {"2", "3", "70"});
    std::string second = Render("b.wav", {"2", "3", "70"});
    std::string sixth = Render("c.wav", {"2", "3", "70", "9", "more"});
    ASSERT_TRUE(ParseWav(first).valid);
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, sixth);
}

TEST_F(EndToEndTest, UsageMessageAndExitCode)
{
    RunResult none = RunChild({});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "Please input a txt file to be converted to wav.\n");
    RunResult one = RunChild({input_});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_EQ(one.out, "Please input a txt file to be converted to wav.\n");
}

TEST_F(EndToEndTest, ProgressShowsOnATerminalAndIsClearedButNeverInAPipe)
{
    std::string long_text;
    while (long_text.size() < 30000) long_text += kText;
    WriteBytes(input_, long_text);
    std::string message = std::to_string(KeptBytes(long_text)) + " char to be conerted......";
    std::string output = (env_.cwd() / "out.wav").string();

    RunResult terminal = Child({input_, output, QuickVoice()}, ErrorTo::Terminal).Wait();
    EXPECT_EQ(terminal.exitCode, 0) << terminal.err;
    EXPECT_EQ(terminal.out, message);
    // One line rewritten in place: each update starts by erasing it, the last erase clears it.
    const std::string erase = "\r\x1b[K";
    ASSERT_TRUE(terminal.err.starts_with(erase)) << terminal.err;
    ASSERT_TRUE(terminal.err.ends_with(erase)) << terminal.err;
    EXPECT_EQ(terminal.err.find('\n'), std::string::npos);
    EXPECT_NE(terminal.err.find("% rendered, "), std::string::npos) << terminal.err;
    EXPECT_NE(terminal.err.find(" of audio"), std::string::npos) << terminal.err;
    EXPECT_NE(terminal.err.find(" left"), std::string::npos) << terminal.err;
    std::string withProgress = ReadBytes(output);

    RunResult pipe = RunChild({input_, output, QuickVoice()});
    EXPECT_EQ(pipe.exitCode, 0);
    EXPECT_EQ(pipe.out, message);
    EXPECT_EQ(pipe.err, "");
    EXPECT_EQ(ReadBytes(output), withProgress);
}

TEST_F(EndToEndTest, InterruptedRunLeavesTheOldFileAndNoTemporary)
{
    std::string long_text;
    while (long_text.size() < 200000) long_text += kText;
    WriteBytes(input_, long_text);
    std::string output = (env_.cwd() / "out.wav").string();
    WriteBytes(output, "old contents");
    // Render workers left behind would become ours.
    ASSERT_EQ(prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
    int inotify = inotify_init1(IN_CLOEXEC);
    ASSERT_GE(inotify, 0);
    ASSERT_GE(inotify_add_watch(inotify, env_.cwd().c_str(), IN_MODIFY), 0);
    Child child({input_, output, QuickVoice()});
    ASSERT_GT(child.pid(), 0);
    // Interrupted once audio flows, the workers busy with the pieces after it.
    ASSERT_NE(AwaitEvent(inotify, IN_MODIFY, ".narrate-", [&](const std::string& name) {
        std::error_code error;
        return std::filesystem::file_size(env_.cwd() / name, error) > 100000 && !error;
    }), "");
    close(inotify);
    kill(child.pid(), SIGINT);
    RunResult run = child.Wait();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(ReadBytes(output), "old contents");
    EXPECT_EQ(NamesIn(env_.cwd()), (std::vector<std::string>{"in.txt", "out.wav"}));
    // Every worker ends: waiting for them returns.
    int status = 0, workers = 0;
    while (waitpid(-1, &status, 0) > 0) ++workers;
    EXPECT_EQ(errno, ECHILD);
    EXPECT_GT(workers, 0);
    prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
