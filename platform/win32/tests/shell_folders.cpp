#include <shlobj.h>
#include <winbase.h>

#include <filesystem>
#include <fstream>

#include <sys/stat.h>

#include <env_var.h>
#include <gtest/gtest.h>
#include <scratch_dir.h>

using testing_support::EnvVar;

namespace {

class ShellFolders : public ::testing::Test {
protected:
    // Result, last error and path of one call, with the error reset first.
    struct Answer {
        BOOL result;
        DWORD error;
        std::string path;
    };
    static Answer Get(int folder, BOOL create = FALSE)
    {
        char path[MAX_PATH] = "untouched";
        SetLastError(0xDEAD);
        BOOL result = SHGetSpecialFolderPathA(nullptr, path, folder, create);
        return {result, GetLastError(), path};
    }

    testing_support::ScratchDir dir_;
    EnvVar home_{"HOME", dir_.path().string()};
};

TEST_F(ShellFolders, AppDataIsTheConfigHomeOrDotConfig)
{
    {
        EnvVar config("XDG_CONFIG_HOME", (dir_ / "conf").string());
        std::filesystem::create_directory(dir_ / "conf");
        Answer answer = Get(CSIDL_APPDATA);
        EXPECT_TRUE(answer.result);
        EXPECT_EQ(answer.path, (dir_ / "conf").string());
    }
    // Unset, or not absolute (the base directories ignore such a value): ~/.config.
    for (std::optional<std::string> value : {std::optional<std::string>(), std::optional<std::string>("conf")}) {
        EnvVar config("XDG_CONFIG_HOME", value);
        Answer missing = Get(CSIDL_APPDATA);
        EXPECT_EQ(std::make_pair(missing.result, missing.error), std::make_pair(FALSE, ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(missing.path, "untouched");
        Answer made = Get(CSIDL_APPDATA | CSIDL_FLAG_CREATE);
        EXPECT_TRUE(made.result);
        EXPECT_EQ(made.path, (dir_ / ".config").string());
        std::filesystem::remove(dir_ / ".config");
    }
}

TEST_F(ShellFolders, CreateMakesParentsPrivately)
{
    EnvVar config("XDG_CONFIG_HOME", (dir_ / "a/b/c").string());
    Answer made = Get(CSIDL_APPDATA, TRUE);
    ASSERT_TRUE(made.result) << made.error;
    struct stat info {};
    ASSERT_EQ(stat(made.path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    // A file where the folder belongs is no folder.
    EnvVar blocked("XDG_CONFIG_HOME", (dir_ / "file").string());
    { std::ofstream((dir_ / "file").string()) << "x"; }
    EXPECT_FALSE(Get(CSIDL_APPDATA, TRUE).result);
}

TEST_F(ShellFolders, ProfileIsHomeAndOtherFoldersAreRefused)
{
    Answer profile = Get(CSIDL_PROFILE);
    EXPECT_TRUE(profile.result);
    EXPECT_EQ(profile.path, dir_.path().string());

    Answer other = Get(0x0005);  // CSIDL_PERSONAL has no counterpart here
    EXPECT_EQ(std::make_pair(other.result, other.error), std::make_pair(FALSE, ERROR_INVALID_PARAMETER));
    SetLastError(0);
    EXPECT_FALSE(SHGetSpecialFolderPathA(nullptr, nullptr, CSIDL_PROFILE, FALSE));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    EnvVar longHome("HOME", "/" + std::string(MAX_PATH, 'h'));
    Answer tooLong = Get(CSIDL_PROFILE);
    EXPECT_EQ(std::make_pair(tooLong.result, tooLong.error), std::make_pair(FALSE, ERROR_FILENAME_EXCED_RANGE));
}

}  // namespace
