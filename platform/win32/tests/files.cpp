#include <winbase.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include "fault_injector.h"
#include "test_files.h"

using win32_test::ReadBytes;
using win32_test::WriteBytes;

namespace {

class Files : public ::testing::Test {
protected:
    std::string P(const char* name) const { return (dir_ / name).string(); }

    // Result and last error of a BOOL call, with the error reset first.
    template <typename Call>
    static std::pair<BOOL, DWORD> Run(Call call)
    {
        SetLastError(0xDEAD);
        BOOL result = call();
        return {result, GetLastError()};
    }

    testing_support::ScratchDir dir_;
};

TEST_F(Files, MoveFileExReplacesOnlyWhenAsked)
{
    WriteBytes(P("new"), "new");
    WriteBytes(P("old"), "old");
    auto refused = Run([&] { return MoveFileExA(P("new").c_str(), P("old").c_str(), 0); });
    EXPECT_EQ(refused, std::make_pair(FALSE, ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadBytes(P("old")), "old");

    EXPECT_TRUE(MoveFileExA(P("new").c_str(), P("old").c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH));
    EXPECT_EQ(ReadBytes(P("old")), "new");
    EXPECT_FALSE(std::filesystem::exists(P("new")));

    EXPECT_TRUE(MoveFileA(P("old").c_str(), P("other").c_str()));
    EXPECT_EQ(ReadBytes(P("other")), "new");
}

TEST_F(Files, MoveFileExFailures)
{
    WriteBytes(P("file"), "x");
    std::filesystem::create_directory(P("folder"));
    std::filesystem::create_directory(P("folder/inner"));
    EXPECT_EQ(Run([&] { return MoveFileExA(P("missing").c_str(), P("to").c_str(), 0); }),
              std::make_pair(FALSE, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Run([&] { return MoveFileExA(P("file").c_str(), P("no/to").c_str(), 0); }),
              std::make_pair(FALSE, ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Run([&] { return MoveFileExA(P("file").c_str(), P("folder").c_str(), MOVEFILE_REPLACE_EXISTING); }),
              std::make_pair(FALSE, ERROR_ACCESS_DENIED));
    EXPECT_EQ(Run([&] { return MoveFileExA(nullptr, P("to").c_str(), 0); }),
              std::make_pair(FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Run([&] { return MoveFileExA(P("file").c_str(), nullptr, 0); }),
              std::make_pair(FALSE, ERROR_INVALID_PARAMETER));

    win32_test::FaultInjector faults;
    faults.FailRename(EXDEV);
    EXPECT_EQ(Run([&] { return MoveFileExA(P("file").c_str(), P("to").c_str(), 0); }),
              std::make_pair(FALSE, ERROR_NOT_SAME_DEVICE));
    EXPECT_EQ(ReadBytes(P("file")), "x");
}

TEST_F(Files, DeleteFile)
{
    WriteBytes(P("file"), "x");
    std::filesystem::create_directory(P("folder"));
    EXPECT_EQ(Run([&] { return DeleteFileA(P("file").c_str()); }).first, TRUE);
    EXPECT_FALSE(std::filesystem::exists(P("file")));
    EXPECT_EQ(Run([&] { return DeleteFileA(P("file").c_str()); }), std::make_pair(FALSE, ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Run([&] { return DeleteFileA(P("no/file").c_str()); }), std::make_pair(FALSE, ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Run([&] { return DeleteFileA(P("folder").c_str()); }), std::make_pair(FALSE, ERROR_ACCESS_DENIED));
    EXPECT_EQ(Run([&] { return DeleteFileA(nullptr); }), std::make_pair(FALSE, ERROR_INVALID_PARAMETER));
    EXPECT_EQ(Run([&] { return DeleteFileA(""); }), std::make_pair(FALSE, ERROR_INVALID_PARAMETER));
}

TEST_F(Files, GetFileAttributes)
{
    WriteBytes(P("file"), "x");
    WriteBytes(P("locked"), "x");
    std::filesystem::permissions(P("locked"), std::filesystem::perms::owner_read);
    std::filesystem::create_directory(P("folder"));

    EXPECT_EQ(GetFileAttributesA(P("file").c_str()), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(GetFileAttributesA(P("folder").c_str()), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesA(P("locked").c_str()), FILE_ATTRIBUTE_READONLY);

    struct Case {
        std::string path;
        DWORD error;
    } failures[] = {
        {P("missing"), ERROR_FILE_NOT_FOUND},
        {P("no/file"), ERROR_PATH_NOT_FOUND},
        {P("file/child"), ERROR_PATH_NOT_FOUND},
        {"", ERROR_INVALID_PARAMETER},
    };
    for (const auto& c : failures) {
        SetLastError(0);
        EXPECT_EQ(GetFileAttributesA(c.path.c_str()), INVALID_FILE_ATTRIBUTES) << c.path;
        EXPECT_EQ(GetLastError(), c.error) << c.path;
    }
}

TEST(Process, CurrentProcessId) { EXPECT_EQ(GetCurrentProcessId(), static_cast<DWORD>(getpid())); }

TEST_F(Files, CreateDirectoryMakesOneFolder)
{
    EXPECT_EQ(Run([&] { return CreateDirectoryA(P("new").c_str(), nullptr); }), std::make_pair(TRUE, DWORD{0xDEAD}));
    EXPECT_TRUE(std::filesystem::is_directory(P("new")));
    EXPECT_EQ(Run([&] { return CreateDirectoryA(P("new").c_str(), nullptr); }), std::make_pair(FALSE, ERROR_ALREADY_EXISTS));
    EXPECT_EQ(Run([&] { return CreateDirectoryA(P("new/a/b").c_str(), nullptr); }),
              std::make_pair(FALSE, ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Run([&] { return CreateDirectoryA("", nullptr); }), std::make_pair(FALSE, ERROR_INVALID_PARAMETER));
}

}  // namespace
