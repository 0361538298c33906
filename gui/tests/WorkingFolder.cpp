// Where the working files go and where the file dialogs start, for terminal and
// menu starts, with folders that can and cannot be written.
#include "WorkingFolder.h"

#include <gtest/gtest.h>

#include <env_var.h>
#include <scratch_dir.h>
#include <varnel/syscalls.h>

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <set>
#include <string>

#include "ProgramPaths.h"

namespace {

namespace fs = std::filesystem;
using testing_support::EnvVar;

// Folders whose probe file cannot be made, as for a read-only or foreign folder
// (the tests may run as root, who can write anywhere).
std::set<std::string>* unwritable = nullptr;

// A new file in such a folder is refused, as the probe's exclusive create finds it.
int RefusingOpen(const char* path, int flags, mode_t mode)
{
    const bool creating = (flags & O_CREAT) && (flags & O_EXCL);
    if (creating && unwritable->count(fs::path(path).parent_path().string())) {
        errno = EACCES;
        return -1;
    }
    return win32::sys::RealCalls().open(path, flags, mode);
}

class WorkingFolderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        unwritable = &unwritable_;
        win32::sys::Table calls = win32::sys::RealCalls();
        calls.open = &RefusingOpen;
        calls_.emplace(calls);
        fs::create_directories(home_);
    }
    void TearDown() override
    {
        KeepWorkingFilesInCurrentDirectory();
        calls_.reset();
        unwritable = nullptr;
    }

    static CString Text(const fs::path& path) { return CString(path.string().c_str()); }
    bool LeftoversIn(const fs::path& folder)
    {
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().extension() == ".TMP") return true;
        return false;
    }

    testing_support::IsolatedEnvironment env_;
    fs::path home_ = env_.root() / "home";
    EnvVar homeVar_{"HOME", home_.string()};
    EnvVar configVar_{"XDG_CONFIG_HOME", std::nullopt};
    std::set<std::string> unwritable_;
    std::optional<win32::sys::ScopedOverride> calls_;
};

TEST_F(WorkingFolderTest, ATerminalStartWorksInTheCurrentDirectory)
{
    KeepWorkingFilesInCurrentDirectory();
    EXPECT_EQ(SettingsFilePath(), "./set.ini");
    EXPECT_EQ(WorkingFolder(), Text(env_.cwd()));
    fs::current_path(home_);  // a file dialog moved it: the files follow, as always
    EXPECT_EQ(WorkingFolder(), Text(home_));
}

TEST_F(WorkingFolderTest, AMenuStartWorksInAConfigFolderOfItsOwn)
{
    ASSERT_TRUE(KeepWorkingFilesInConfigFolder());
    const fs::path folder = home_ / ".config/varnel";
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(WorkingFolder(), Text(folder));
    EXPECT_EQ(SettingsFilePath(), Text(folder / "set.ini"));
    fs::current_path(home_);
    EXPECT_EQ(WorkingFolder(), Text(folder)) << "a file dialog does not move it";

    EnvVar config("XDG_CONFIG_HOME", (env_.root() / "conf").string());
    ASSERT_TRUE(KeepWorkingFilesInConfigFolder());
    EXPECT_EQ(WorkingFolder(), Text(env_.root() / "conf/varnel"));
}

TEST_F(WorkingFolderTest, AConfigFolderThatCannotBeMadeLeavesTheCurrentDirectory)
{
    {
        std::ofstream blocker((home_ / ".config").string());
        blocker << "a file where the folder belongs";
    }
    EXPECT_FALSE(KeepWorkingFilesInConfigFolder());
    EXPECT_EQ(SettingsFilePath(), "./set.ini");
    EXPECT_EQ(WorkingFolder(), Text(env_.cwd()));
}

TEST_F(WorkingFolderTest, DialogsStartInTheFirstWritableFolder)
{
    const std::string program = ProgramFolder().GetString();
    KeepWorkingFilesInCurrentDirectory();
    EXPECT_EQ(FileDialogStartFolder(), CString(program.c_str())) << "a build folder, as always";
    EXPECT_FALSE(LeftoversIn(program)) << "the probe file is removed";

    unwritable_.insert(program);  // installed in a system folder
    EXPECT_EQ(FileDialogStartFolder(), Text(env_.cwd()));
    unwritable_.insert(env_.cwd().string());
    EXPECT_EQ(FileDialogStartFolder(), Text(home_));

    unwritable_.clear();
    ASSERT_TRUE(KeepWorkingFilesInConfigFolder());
    EXPECT_EQ(FileDialogStartFolder(), Text(home_)) << "a menu start works for the user's home";
}

}  // namespace
