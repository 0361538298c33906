#include "../socket_folder.h"

#include <winbase.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using com::local::CheckSocketFolder;

TEST(SocketFolder, LivesInTheRuntimeFolderOrElseInTmpUnderTheUid)
{
    testing_support::IsolatedEnvironment environment(true);
    EXPECT_EQ(com::local::SocketFolder(), (environment.root() / "runtime" / "varnel-com").string());
    std::string fallback = "/tmp/varnel-com-" + std::to_string(geteuid());
    setenv("XDG_RUNTIME_DIR", "relative/path", 1);
    EXPECT_EQ(com::local::SocketFolder(), fallback);
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(com::local::SocketFolder(), fallback);
}

TEST(SocketFolder, IsMadePrivateWhenMissing)
{
    testing_support::ScratchDir scratch;
    auto folder = scratch / "sockets";
    EXPECT_EQ(CheckSocketFolder(folder, false), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(fs::exists(folder));
    ASSERT_EQ(CheckSocketFolder(folder, true), S_OK);
    struct stat info {};
    ASSERT_EQ(stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(CheckSocketFolder(folder, false), S_OK);
}

TEST(SocketFolder, AFolderOthersCanUseALinkOrAFileIsRefused)
{
    testing_support::ScratchDir scratch;
    auto open = scratch / "open";
    fs::create_directory(open);
    for (mode_t mode : {0770, 0705, 0701}) {
        chmod(open.c_str(), mode);
        EXPECT_EQ(CheckSocketFolder(open, true), E_ACCESSDENIED) << mode;
    }
    auto real = scratch / "real";
    fs::create_directory(real);
    chmod(real.c_str(), 0700);
    fs::create_directory_symlink(real, scratch / "link");
    EXPECT_EQ(CheckSocketFolder(scratch / "link", true), E_ACCESSDENIED);
    std::FILE* file = std::fopen((scratch / "plain").c_str(), "w");
    std::fclose(file);
    EXPECT_EQ(CheckSocketFolder(scratch / "plain", true), E_ACCESSDENIED);
}

TEST(SocketFolder, AFolderOfAnotherOwnerIsRefused)
{
    if (geteuid() != 0) GTEST_SKIP() << "needs root to give a folder to another user";
    testing_support::ScratchDir scratch;
    auto theirs = scratch / "theirs";
    fs::create_directory(theirs);
    chmod(theirs.c_str(), 0700);
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    EXPECT_EQ(CheckSocketFolder(theirs, true), E_ACCESSDENIED);
}

TEST(SocketFolder, ListsTheSocketsOfOneClassOnly)
{
    testing_support::ScratchDir scratch;
    constexpr CLSID kOne = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E50}");
    constexpr CLSID kOther = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E51}");
    for (auto name : {FormatGuid(kOne) + ".1.1", FormatGuid(kOne) + ".2.7", "." + FormatGuid(kOne) + ".3.1",
                      FormatGuid(kOther) + ".1.2"})
        std::fclose(std::fopen((scratch / name).c_str(), "w"));
    auto found = com::local::ClassSockets(scratch.path(), kOne);
    std::sort(found.begin(), found.end());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0], (scratch / (FormatGuid(kOne) + ".1.1")).string());
    EXPECT_EQ(found[1], (scratch / (FormatGuid(kOne) + ".2.7")).string());
}

}  // namespace
