#include "leftover_sweep.h"

#include "converter_test_support.h"

#include <scratch_dir.h>
#include <winbase.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include <sys/wait.h>
#include <unistd.h>

namespace {

using converter_test::NamesIn;
using converter_test::WriteBytes;
using Names = std::vector<std::string>;

TEST(LeftoverProcessId, OnlyTheConvertersTemporaryNamesCount)
{
    EXPECT_EQ(narrate::LeftoverProcessId(".narrate-4242.tmp"), 4242u);
    EXPECT_EQ(narrate::LeftoverProcessId(".narrate-4242-17.tmp"), 4242u);
    for (const char* other : {".narrate-.tmp", ".narrate-0.tmp", ".narrate-12x.tmp", ".narrate-12-.tmp",
                              ".narrate-12-3-4.tmp", ".narrate-99999999999.tmp", "narrate-12.tmp", ".narrate-12.tmp~",
                              ".narrate-+12.tmp", "out.wav"})
        EXPECT_FALSE(narrate::LeftoverProcessId(other).has_value()) << other;
}

// The id of a process that has ended and been reaped.
pid_t EndedProcessId()
{
    pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

// A Unix user's SID, as the platform gives them: S-1-22-1-<uid>.
std::vector<BYTE> UserSid(uid_t uid)
{
    std::vector<BYTE> sid = {1, 2, 0, 0, 0, 0, 0, 22, 1, 0, 0, 0, 0, 0, 0, 0};
    const DWORD id = static_cast<DWORD>(uid);
    std::memcpy(sid.data() + 12, &id, 4);
    return sid;
}

class RemoveLeftoversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string ended = std::to_string(EndedProcessId());
        for (const std::string& name : Names{".narrate-" + ended + ".tmp", ".narrate-" + ended + "-2.tmp", ".narrate-" + std::to_string(getppid()) + ".tmp",
                                             ".narrate-" + std::to_string(getpid()) + ".tmp",
                                             "narrate-" + ended + ".tmp", ".narrate-x.tmp", "out.wav"})
            WriteBytes(dir_ / name, "RIFF");
        std::filesystem::create_directory(dir_ / (".narrate-" + ended + "-3.tmp"));
        ended_ = ended;
    }
    std::string Folder() const { return dir_.path().string() + "/"; }

    testing_support::ScratchDir dir_;
    std::string ended_;
};

TEST_F(RemoveLeftoversTest, EndedProcessesFilesOfThisUserGo)
{
    narrate::RemoveLeftovers(Folder());
    Names left = NamesIn(dir_.path());
    Names expected = {".narrate-" + ended_ + "-3.tmp",  // a folder
                      ".narrate-" + std::to_string(getpid()) + ".tmp", ".narrate-" + std::to_string(getppid()) + ".tmp",
                      ".narrate-x.tmp", "narrate-" + ended_ + ".tmp", "out.wav"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(left, expected);
}

TEST_F(RemoveLeftoversTest, AnotherUsersFilesStay)
{
    Names before = NamesIn(dir_.path());
    std::vector<BYTE> someoneElse = UserSid(geteuid() + 1);
    narrate::RemoveLeftovers(Folder(), someoneElse.data());
    EXPECT_EQ(NamesIn(dir_.path()), before);
}

}  // namespace
