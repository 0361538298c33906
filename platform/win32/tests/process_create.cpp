#include <processthreadsapi.h>

#include <csignal>
#include <cstring>
#include <set>

#include <fcntl.h>

#include <gtest/gtest.h>

#include <varnel/process_calls.h>
#include <scratch_dir.h>
#include <winbase.h>

#include "process_test_support.h"

namespace {

using namespace win32_test;
namespace fs = std::filesystem;

class CreateProcess : public ::testing::Test {
protected:
    testing_support::IsolatedEnvironment env_;
    fs::path out_ = env_.root() / "out.txt";
};

TEST_F(CreateProcess, FillsTheProcessInformation)
{
    auto child = Start("/bin/sh -c \"echo $$ > '" + out_.string() + "'\"");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_NE(child.info.hProcess, nullptr);
    EXPECT_NE(child.info.hThread, nullptr);
    EXPECT_GT(child.info.dwProcessId, 0u);
    EXPECT_EQ(child.info.dwThreadId, child.info.dwProcessId);
    EXPECT_EQ(Finish(child.info), 0u);
    EXPECT_EQ(ReadText(out_), std::to_string(child.info.dwProcessId) + "\n");
}

TEST_F(CreateProcess, ChildGetsTheArgumentsSplitByTheWindowsRules)
{
    WriteScript(env_.cwd() / "args", "for a; do printf '[%s]' \"$a\"; done > '" + out_.string() + "'");
    auto child = Start("\"" + (env_.cwd() / "args").string() +
                       "\" \"a b\" c\\\"d \"e\\\\\" \"\" \"\xe4\xbd\xa0 \\\"q\\\"\" -3");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 0u);
    EXPECT_EQ(ReadText(out_), "[a b][c\"d][e\\][][\xe4\xbd\xa0 \"q\"][-3]");
}

TEST_F(CreateProcess, ChildGetsOurEnvironmentAndDirectory)
{
    EnvVar marker("VARNEL_CREATE_TEST", "here");
    WriteScript(env_.cwd() / "report", "{ echo \"$VARNEL_CREATE_TEST\"; pwd; } > '" + out_.string() + "'");
    auto child = Start("./report");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 0u);
    EXPECT_EQ(ReadText(out_), "here\n" + env_.cwd().string() + "\n");
}

TEST_F(CreateProcess, GivenDirectoryAndEnvironmentBlockReachTheChild)
{
    fs::create_directories(env_.root() / "elsewhere");
    fs::create_directories(env_.cwd() / "sub");
    WriteScript(env_.cwd() / "sub" / "report",
                "{ echo \"${ONE-unset}:${TWO-unset}:${HOME-unset}\"; pwd; } > '" + out_.string() + "'");
    std::string block("ONE=1\0TWO=2 2\0\0", 15);
    // A relative program path is taken from our directory, not the child's.
    auto child = Start("sub/report", (env_.root() / "elsewhere").c_str(), block.data());
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 0u);
    EXPECT_EQ(ReadText(out_), "1:2 2:unset\n" + (env_.root() / "elsewhere").string() + "\n");
}

TEST_F(CreateProcess, ChildInheritsNoDescriptorsButTheStandardStreams)
{
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);  // no close-on-exec: Linux would pass them on
    int high = dup2(pipeEnds[0], 57);
    ASSERT_EQ(high, 57);

    auto child = Start("/bin/sh -c \"exec ls -l /proc/self/fd > '" + out_.string() + "'\"");
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 0u);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    close(high);

    std::set<int> descriptors;
    std::istringstream listing(ReadText(out_));
    for (std::string line; std::getline(listing, line);) {
        auto arrow = line.find(" -> ");
        if (arrow == std::string::npos) continue;
        if (line.find("/fd", arrow) != std::string::npos) continue;  // ls's own listing of the folder
        auto space = line.rfind(' ', arrow - 1);
        descriptors.insert(std::stoi(line.substr(space + 1, arrow - space - 1)));
    }
    EXPECT_EQ(descriptors, (std::set<int>{0, 1, 2})) << ReadText(out_);
}

TEST_F(CreateProcess, ChildStartsWithDefaultSignalMaskAndDispositions)
{
    sigset_t blocked, previous;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ASSERT_EQ(pthread_sigmask(SIG_BLOCK, &blocked, &previous), 0);
    auto oldUsr2 = signal(SIGUSR2, SIG_IGN);

    auto child = Start("/bin/sh -c \"exec grep -E '^Sig(Blk|Ign)' /proc/self/status > '" + out_.string() + "'\"");
    signal(SIGUSR2, oldUsr2);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    ASSERT_TRUE(child.ok) << child.error;
    EXPECT_EQ(Finish(child.info), 0u);
    std::istringstream status(ReadText(out_));
    std::string blockedName, ignoredName;
    unsigned long long blockedMask = 1, ignoredMask = 1;
    status >> blockedName >> std::hex >> blockedMask >> ignoredName >> ignoredMask;
    EXPECT_EQ(blockedName, "SigBlk:");
    EXPECT_EQ(blockedMask, 0u);
    EXPECT_EQ(ignoredName, "SigIgn:");
    // glibc's posix_spawn leaves its own two internal signals (32, 33) ignored.
    EXPECT_EQ(ignoredMask & ~(3ull << 31), 0u);
}

TEST_F(CreateProcess, MissingProgramsFailWithWindowsErrors)
{
    WriteText(env_.cwd() / "plain", "not a program");
    struct Case {
        std::string line;
        DWORD error;
    } cases[] = {
        {"varnel-no-such-program-anywhere --flag", ERROR_FILE_NOT_FOUND},
        {"\"" + (env_.root() / "missing").string() + "\"", ERROR_FILE_NOT_FOUND},
        {(env_.root() / "no-folder" / "prog").string(), ERROR_PATH_NOT_FOUND},
        {"./plain", ERROR_ACCESS_DENIED},
        {"plain", ERROR_FILE_NOT_FOUND},  // a search skips files that are not programs
        {"", ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases) {
        PROCESS_INFORMATION untouched{};
        auto child = Start(c.line);
        EXPECT_FALSE(child.ok) << c.line;
        EXPECT_EQ(child.error, c.error) << c.line;
        EXPECT_EQ(std::memcmp(&child.info, &untouched, sizeof untouched), 0) << c.line;
    }
}

TEST_F(CreateProcess, BadParametersFail)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    char line[] = "/bin/true";
    EXPECT_FALSE(CreateProcessA(nullptr, nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &info));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(CreateProcessA(nullptr, line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    WriteText(env_.root() / "file", "");
    for (auto directory : {env_.root() / "nowhere", env_.root() / "file"}) {
        auto child = Start("/bin/true", directory.c_str());
        EXPECT_FALSE(child.ok);
        EXPECT_EQ(child.error, ERROR_DIRECTORY);
    }
}

TEST_F(CreateProcess, ApplicationNameIsThePathAndIsNotSearched)
{
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    WriteScript(env_.cwd() / "named", "printf '%s|' \"$@\" > '" + out_.string() + "'");
    char line[] = "whatever \"x y\" z";
    ASSERT_TRUE(CreateProcessA("named", line, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(Finish(info), 0u);
    EXPECT_EQ(ReadText(out_), "x y|z|");

    SetLastError(0);
    EXPECT_FALSE(CreateProcessA("sh", nullptr, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

int FailingSpawn(pid_t*, const char*, const posix_spawn_file_actions_t*, const posix_spawnattr_t*, char* const[],
                 char* const[])
{
    return ENOMEM;
}

TEST_F(CreateProcess, SpawnFailureIsReported)
{
    auto table = win32::proc::RealCalls();
    table.spawn = FailingSpawn;
    win32::proc::ScopedOverride failing(table);
    auto child = Start("/bin/true");
    EXPECT_FALSE(child.ok);
    EXPECT_EQ(child.error, ERROR_NOT_ENOUGH_MEMORY);
}

// Bare names: beside the running executable, then the current directory,
// then PATH.
class ProgramLookup : public CreateProcess {
protected:
    ProgramLookup()
        : name_("varnel-lookup-" + std::to_string(getpid())),
          besideExecutable_(fs::read_symlink("/proc/self/exe").parent_path() / name_),
          path_("PATH", (env_.root() / "bin").string() + ":/usr/bin:/bin")
    {
        fs::create_directories(env_.root() / "bin");
        Place(env_.root() / "bin" / name_, "path");
        Place(env_.cwd() / name_, "cwd");
        Place(besideExecutable_, "exe");
    }
    ~ProgramLookup() override { fs::remove(besideExecutable_); }

    void Place(const fs::path& where, const std::string& who)
    {
        WriteScript(where, "echo " + who + " > '" + out_.string() + "'");
    }
    std::string Run()
    {
        auto child = Start(name_);
        if (!child.ok) return "error " + std::to_string(child.error);
        Finish(child.info);
        return ReadText(out_);
    }

    std::string name_;
    fs::path besideExecutable_;
    EnvVar path_;
};

TEST_F(ProgramLookup, ExecutableFolderThenCurrentDirectoryThenPath)
{
    EXPECT_EQ(Run(), "exe\n");
    fs::remove(besideExecutable_);
    EXPECT_EQ(Run(), "cwd\n");
    fs::permissions(env_.cwd() / name_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Run(), "path\n") << "a file without execute permission is passed over";
    fs::remove(env_.cwd() / name_);
    fs::create_directory(env_.cwd() / name_);
    EXPECT_EQ(Run(), "path\n") << "so is a folder";
    fs::remove(env_.root() / "bin" / name_);
    EXPECT_EQ(Run(), "error " + std::to_string(ERROR_FILE_NOT_FOUND));
}

}  // namespace
