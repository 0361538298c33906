#include "ProgramPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <scratch_dir.h>

#include <varnel/kernel32_calls.h>
#include <winbase.h>

#include "gui_fixture.h"

namespace {

TEST(ProgramPaths, FolderOf)
{
    EXPECT_EQ(FolderOf("/a/b/c"), "/a/b");
    EXPECT_EQ(FolderOf("/c"), "/");
    EXPECT_EQ(FolderOf("c"), "");
}

TEST(ProgramPaths, TheProgramFolderIsTheTestProgramsFolder)
{
    EXPECT_EQ(ProgramFolder(), CString(std::filesystem::canonical("/proc/self/exe").parent_path().c_str()));
}

TEST(ProgramPaths, ACurrentDirectoryLongerThanMaxPathIsReadWhole)
{
    testing_support::IsolatedEnvironment env;
    std::filesystem::path deep = env.cwd();
    while (deep.string().size() < 600) deep /= "a-rather-long-folder-name-for-the-test";
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    EXPECT_EQ(CurrentDirectory(), CString(deep.c_str()));
}

// The current directory was removed, as Windows reports it.
DWORD FailingGetCurrentDirectory(DWORD, LPSTR)
{
    SetLastError(ERROR_FILE_NOT_FOUND);
    return 0;
}

TEST(ProgramPaths, AnUnreadableCurrentDirectoryIsEmpty)
{
    win32::kernel32::Table calls = win32::kernel32::RealCalls();
    calls.GetCurrentDirectoryA = &FailingGetCurrentDirectory;
    win32::kernel32::ScopedOverride removed(calls);
    EXPECT_TRUE(CurrentDirectory().IsEmpty());
}

}  // namespace
