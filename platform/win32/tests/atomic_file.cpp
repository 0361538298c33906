#include <varnel/atomic_file.h>

#include <winbase.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include "fault_injector.h"
#include "test_files.h"

using win32_test::FaultInjector;
using win32_test::FileNames;
using win32_test::ReadBytes;
using win32_test::WriteBytes;

namespace {

TEST(AtomicFile, CreatesAndReplacesWholeFiles)
{
    testing_support::ScratchDir dir;
    std::string path = (dir / "data.ini").string();
    ASSERT_TRUE(win32::sys::WriteFileAtomically(path, "first"));
    EXPECT_EQ(ReadBytes(path), "first");
    ASSERT_TRUE(win32::sys::WriteFileAtomically(path, "second, longer"));
    EXPECT_EQ(ReadBytes(path), "second, longer");
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"data.ini"});
}

TEST(AtomicFile, KeepsThePermissionsOfTheReplacedFile)
{
    testing_support::ScratchDir dir;
    auto path = dir / "data.ini";
    WriteBytes(path, "old");
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                           std::filesystem::perms::group_read);
    ASSERT_TRUE(win32::sys::WriteFileAtomically(path.string(), "new"));
    EXPECT_EQ(std::filesystem::status(path).permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
}

// Each failing step leaves the old file as it was and no temporary file.
struct FailingStep {
    const char* name;
    void (*arm)(FaultInjector&);
    DWORD error;
};

class AtomicFileFailure : public ::testing::TestWithParam<FailingStep> {};

TEST_P(AtomicFileFailure, LeavesTheOldFileAndNoTemporaryFile)
{
    testing_support::ScratchDir dir;
    auto path = dir / "set.ini";
    WriteBytes(path, "old contents");
    {
        FaultInjector faults;
        GetParam().arm(faults);
        const win32::Status written = win32::sys::WriteFileAtomically(path.string(), std::string(10000, 'n'));
        ASSERT_FALSE(written);
        EXPECT_EQ(written.failure(), GetParam().error);
    }
    EXPECT_EQ(ReadBytes(path), "old contents");
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{"set.ini"});
}

INSTANTIATE_TEST_SUITE_P(
    Steps, AtomicFileFailure,
    ::testing::Values(FailingStep{"DiskFullAtOnce", [](FaultInjector& f) { f.FailWrites(ENOSPC); }, ERROR_DISK_FULL},
                      FailingStep{"DiskFullMidway",
                                  [](FaultInjector& f) {
                                      f.LimitWrites(1000);
                                      f.FailWrites(ENOSPC, 3);
                                  },
                                  ERROR_DISK_FULL},
                      FailingStep{"FsyncFails", [](FaultInjector& f) { f.FailFsync(EIO); }, ERROR_IO_DEVICE},
                      FailingStep{"CloseFails", [](FaultInjector& f) { f.FailClose(EIO); }, ERROR_IO_DEVICE},
                      FailingStep{"RenameFails", [](FaultInjector& f) { f.FailRename(EACCES); }, ERROR_ACCESS_DENIED},
                      FailingStep{"CreateFails", [](FaultInjector& f) { f.FailOpen(EACCES); }, ERROR_ACCESS_DENIED}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AtomicFile, MissingFolderFails)
{
    testing_support::ScratchDir dir;
    const win32::Status written = win32::sys::WriteFileAtomically((dir / "no" / "file").string(), "x");
    ASSERT_FALSE(written);
    EXPECT_EQ(written.failure(), ERROR_PATH_NOT_FOUND);
}

TEST(AtomicFile, AbandonedFileIsRemoved)
{
    testing_support::ScratchDir dir;
    std::string temporary;
    {
        win32::sys::AtomicFile file;
        ASSERT_TRUE(file.Create((dir / "out.wav").string()));
        temporary = file.temporaryPath();
        EXPECT_EQ(win32::sys::FolderOf(temporary), dir.path().string());
        EXPECT_TRUE(std::filesystem::exists(temporary));
    }
    EXPECT_FALSE(std::filesystem::exists(temporary));
    EXPECT_TRUE(FileNames(dir.path()).empty());
}

}  // namespace
