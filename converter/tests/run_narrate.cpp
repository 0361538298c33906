#include "run_narrate.h"

#include "converter_test_support.h"
#include <sphelper.h>

#include <atlbase.h>
#include <scratch_dir.h>
#include <varnel/syscalls.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <string>
#include <string_view>

#include <unistd.h>

namespace {

using converter_test::NamesIn;
using converter_test::ParseWav;
using converter_test::QuickVoice;
using converter_test::ReadBytes;
using converter_test::RunInProcess;
using converter_test::RunResult;
using converter_test::WriteBytes;
using Names = std::vector<std::string>;

int LineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

class RunNarrateTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        input_ = (env_.cwd() / "in.txt").string();
        output_ = (env_.cwd() / "out.wav").string();
        WriteBytes(input_, "Hi, there.\r\n");  // 9 bytes kept
    }

    static ULONG VoiceCount()
    {
        CoInitialize(nullptr);
        RegisterSpeechClasses();
        ULONG count = 0;
        {
            CComPtr<IEnumSpObjectTokens> tokens;
            if (SUCCEEDED(SpEnumTokens(SPCAT_VOICES, nullptr, nullptr, &tokens))) tokens->GetCount(&count);
        }
        CoUninitialize();
        return count;
    }

    testing_support::IsolatedEnvironment env_;
    std::string input_, output_;
};

TEST_F(RunNarrateTest, FewerThanTwoArgumentsPrintTheUsageOnly)
{
    for (auto args : {std::vector<std::string>{}, std::vector<std::string>{input_}}) {
        RunResult run = RunInProcess(args);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "Please input a txt file to be converted to wav.\n");  // no count: not opened
        EXPECT_EQ(run.err, "");
    }
}

TEST_F(RunNarrateTest, RendersAndReplacesTheOutputLeavingNothingElse)
{
    WriteBytes(output_, "old contents");
    RunResult run = RunInProcess({input_, output_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "9 char to be conerted......");
    EXPECT_EQ(run.err, "");
    converter_test::Wav wav = ParseWav(ReadBytes(output_));
    EXPECT_TRUE(wav.valid);
    EXPECT_GT(wav.samples.size(), 2205u);
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt", "out.wav"}));
}

TEST_F(RunNarrateTest, UnopenableInputLeavesTheOutputUntouched)
{
    WriteBytes(output_, "old contents");
    std::string missing = (env_.cwd() / "no such.txt").string();
    RunResult run = RunInProcess({missing, output_, "1", "0", "100"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "Open file " + missing + " failed!\n");
    EXPECT_EQ(run.err, "");  // the message says it already
    EXPECT_EQ(ReadBytes(output_), "old contents");
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt", "out.wav"}));
}

TEST_F(RunNarrateTest, VoiceNumberNamingNoVoiceRendersNothingAndSaysSo)
{
    ULONG count = VoiceCount();
    ASSERT_GT(count, 0u);
    for (std::string number : {std::string("abc"), std::string("0"), std::string("-1"), std::to_string(count + 1)}) {
        RunResult run = RunInProcess({input_, output_, number});
        EXPECT_EQ(run.exitCode, 1) << number;
        EXPECT_EQ(run.out, "9 char to be conerted......") << number;
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
        EXPECT_NE(run.err.find(std::to_string(count) + " voices"), std::string::npos) << run.err;
        EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt"})) << number;
    }
}

TEST_F(RunNarrateTest, LastVoiceRenders)
{
    RunResult run = RunInProcess({input_, output_, std::to_string(VoiceCount())});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ParseWav(ReadBytes(output_)).valid);
}

TEST_F(RunNarrateTest, NothingKeptGivesAnEmptyWav)
{
    WriteBytes(input_, ".,$");
    RunResult run = RunInProcess({input_, output_});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "0 char to be conerted......");
    converter_test::Wav wav = ParseWav(ReadBytes(output_));
    EXPECT_TRUE(wav.valid);
    EXPECT_EQ(wav.sampleRate, 22050u);
    EXPECT_TRUE(wav.samples.empty());
}

TEST_F(RunNarrateTest, RefusedRateStillRendersWithAWarning)
{
    RunResult run = RunInProcess({input_, output_, "1", "99", "65546"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "9 char to be conerted......");
    EXPECT_EQ(LineCount(run.err), 1);
    EXPECT_NE(run.err.find("rate 99"), std::string::npos);
    EXPECT_TRUE(ParseWav(ReadBytes(output_)).valid);
}

TEST_F(RunNarrateTest, ComStartFailureExitsWithOne)
{
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);  // the converter asks for the other model
    RunResult run = RunInProcess({input_, output_});
    CoUninitialize();
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "9 char to be conerted......");
    EXPECT_EQ(LineCount(run.err), 1);
    EXPECT_NE(run.err.find("COM"), std::string::npos);
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt"}));
}

TEST_F(RunNarrateTest, LongOutputPathIsUsedWhole)
{
    std::filesystem::path folder = env_.cwd();
    for (int i = 0; i < 6; ++i) folder /= std::string(60, static_cast<char>('a' + i));
    std::filesystem::create_directories(folder);
    std::string output = (folder / (std::string(200, 'w') + ".wav")).string();
    ASSERT_GT(output.size(), 500u);  // far beyond a 256-unit buffer
    RunResult run = RunInProcess({input_, output});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(ParseWav(ReadBytes(output)).valid);
    EXPECT_EQ(NamesIn(folder).size(), 1u);
}

TEST_F(RunNarrateTest, MissingOutputFolderFailsWithALine)
{
    std::string output = (env_.cwd() / "no folder" / "out.wav").string();
    RunResult run = RunInProcess({input_, output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, "9 char to be conerted......");
    EXPECT_EQ(LineCount(run.err), 1) << run.err;
    EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt"}));
}

// File-call tables that fail writes or renames, as a full disk or a broken disk would.
std::atomic<int> writesLeft{0};

// The engine writes pcaudiolib's stand-in into a memory file, which no full disk stops.
bool IsMemoryFile(int fd)
{
    char target[64] = {};
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    return readlink(link.c_str(), target, sizeof target - 1) > 0 && std::string_view(target).starts_with("/memfd:");
}

ssize_t WriteUntilFull(int fd, const void* data, size_t size)
{
    if (!IsMemoryFile(fd) && writesLeft.fetch_sub(1) <= 0) {
        errno = ENOSPC;
        return -1;
    }
    return win32::sys::RealCalls().write(fd, data, size);
}

// A piece rendered beside joins the file in one kernel copy, which fills the disk the same way.
ssize_t CopyUntilFull(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size, unsigned flags)
{
    if (writesLeft.fetch_sub(1) <= 0) {
        errno = ENOSPC;
        return -1;
    }
    return win32::sys::RealCalls().copyFileRange(from, fromOffset, to, toOffset, size, flags);
}

int FailingRename(const char*, const char*)
{
    errno = EIO;
    return -1;
}

class RunNarrateFailingDiskTest : public RunNarrateTest {
protected:
    RunResult RunWithCalls(win32::sys::Table calls, std::string text = std::string(2000, 'a') +
                                                                       " text to fill more than one buffer of the file stream\n")
    {
        WriteBytes(output_, "old contents");
        WriteBytes(input_, text);
        win32::sys::ScopedOverride override(calls);
        return RunInProcess({input_, output_, QuickVoice()});
    }

    void ExpectOldOutputAndNoTemporary(const RunResult& run, std::size_t kept = 2054)
    {
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, std::to_string(kept) + " char to be conerted......");
        EXPECT_EQ(LineCount(run.err), 1) << run.err;
        EXPECT_EQ(ReadBytes(output_), "old contents");
        EXPECT_EQ(NamesIn(env_.cwd()), (Names{"in.txt", "out.wav"}));
    }
};

TEST_F(RunNarrateFailingDiskTest, DiskFullWhileRendering)
{
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.write = &WriteUntilFull;
    writesLeft = 1;  // the header goes in, the samples do not
    RunResult run = RunWithCalls(calls);
    ExpectOldOutputAndNoTemporary(run);
    EXPECT_EQ(run.err, "narrate: rendering the text failed: there is not enough space on the disk (0x80070070)\n");
}

TEST_F(RunNarrateFailingDiskTest, DiskFullWhileALongTextIsRenderedInPieces)
{
    std::string text;
    while (text.size() < 20000) text += "The lamp is lit at dusk! The keeper sleeps at dawn\n";
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.write = &WriteUntilFull;
    calls.copyFileRange = &CopyUntilFull;
    writesLeft = 4;  // the header and some pieces go in, then the disk is full
    RunResult run = RunWithCalls(calls, text);
    ExpectOldOutputAndNoTemporary(run, text.size());
    EXPECT_LE(writesLeft, 0) << run.err;  // it did fill up
}

TEST_F(RunNarrateFailingDiskTest, DiskFullAtTheHeader)
{
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.write = &WriteUntilFull;
    writesLeft = 0;
    RunResult run = RunWithCalls(calls);
    ExpectOldOutputAndNoTemporary(run);
    EXPECT_NE(run.err.find("cannot create the WAV file"), std::string::npos);
    EXPECT_NE(run.err.find(": there is not enough space on the disk (0x80070070)\n"), std::string::npos) << run.err;
}

TEST_F(RunNarrateFailingDiskTest, RenameFails)
{
    win32::sys::Table calls = win32::sys::RealCalls();
    calls.rename = &FailingRename;
    RunResult run = RunWithCalls(calls);
    ExpectOldOutputAndNoTemporary(run);
    EXPECT_NE(run.err.find("cannot replace"), std::string::npos);
    EXPECT_NE(run.err.find(": the request could not be performed because of an I/O device error (0x8007045D)"),
              std::string::npos) << run.err;
}

}  // namespace
