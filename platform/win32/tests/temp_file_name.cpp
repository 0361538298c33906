#include <winbase.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include "fault_injector.h"

namespace {

class TempFileName : public ::testing::Test {
protected:
    std::string Folder() const { return dir_.path().string(); }
    testing_support::ScratchDir dir_;
    char name_[MAX_PATH] = {};
};

TEST_F(TempFileName, CreatesADistinctEmptyFileEachTime)
{
    UINT first = GetTempFileNameA(Folder().c_str(), "varnel", 0, name_);
    ASSERT_NE(first, 0u) << GetLastError();
    const std::string firstName = name_;
    UINT second = GetTempFileNameA(Folder().c_str(), "var", 0, name_);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    char expected[32];
    std::snprintf(expected, sizeof expected, "/var%X.TMP", first);
    EXPECT_EQ(firstName, Folder() + expected);  // the prefix is cut to 3 bytes
    EXPECT_EQ(std::filesystem::file_size(firstName), 0u);
    EXPECT_EQ(std::filesystem::file_size(name_), 0u);
}

TEST_F(TempFileName, AGivenNumberOnlyFormsTheName)
{
    EXPECT_EQ(GetTempFileNameA((Folder() + "/").c_str(), "ab", 0x1ABCD, name_), 0xABCDu);
    EXPECT_EQ(std::string(name_), Folder() + "/abABCD.TMP");
    EXPECT_FALSE(std::filesystem::exists(name_));
}

TEST_F(TempFileName, FailuresSayWhy)
{
    SetLastError(0);
    EXPECT_EQ(GetTempFileNameA((Folder() + "/missing").c_str(), "v", 0, name_), 0u);
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    {
        win32_test::FaultInjector faults;
        faults.FailOpen(EACCES);
        EXPECT_EQ(GetTempFileNameA(Folder().c_str(), "v", 0, name_), 0u);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    EXPECT_EQ(GetTempFileNameA(("/" + std::string(MAX_PATH, 'x')).c_str(), "v", 0, name_), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_EQ(GetTempFileNameA(nullptr, "v", 0, name_), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_TRUE(std::filesystem::is_empty(dir_.path()));
}

}  // namespace
