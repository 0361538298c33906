#include "ProgramPaths.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <scratch_dir.h>

#include "SystemCalls.h"
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

DWORD FailingCurrentDirectory(DWORD, LPSTR) { return 0; }

TEST(ProgramPaths, AnUnreadableCurrentDirectoryIsEmpty)
{
    VarnelSystemCalls calls = RealSystemCalls();
    calls.GetCurrentDirectoryA = &FailingCurrentDirectory;
    ScopedSystemCalls seam(calls);
    EXPECT_TRUE(CurrentDirectory().IsEmpty());
}

}  // namespace
