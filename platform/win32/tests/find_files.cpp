#include <handleapi.h>
#include <winbase.h>

#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "test_files.h"

namespace {

using win32_test::WriteBytes;

struct Listing {
    std::vector<std::string> names;
    DWORD firstError = 0;  // when nothing was found
    DWORD endError = 0;
};

Listing List(const std::string& pattern)
{
    Listing listing;
    WIN32_FIND_DATAA data;
    SetLastError(0xDEAD);
    HANDLE search = FindFirstFileA(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        listing.firstError = GetLastError();
        return listing;
    }
    do listing.names.push_back(data.cFileName);
    while (FindNextFileA(search, &data));
    listing.endError = GetLastError();
    EXPECT_TRUE(FindClose(search));
    std::sort(listing.names.begin(), listing.names.end());
    return listing;
}

class FindFilesTest : public ::testing::Test {
protected:
    std::string In(const std::string& name) const { return (dir_ / name).string(); }
    testing_support::ScratchDir dir_;
};

TEST_F(FindFilesTest, WildcardsMatchWholeNamesInTheFolder)
{
    for (const char* name : {".narrate-12.tmp", ".narrate-12-3.tmp", ".narrate-x.tmpl", "narrate-1.tmp", "a.wav"})
        WriteBytes(dir_ / name, "x");
    Listing leftovers = List(In(".narrate-*.tmp"));
    EXPECT_EQ(leftovers.names, (std::vector<std::string>{".narrate-12-3.tmp", ".narrate-12.tmp"}));
    EXPECT_EQ(leftovers.endError, ERROR_NO_MORE_FILES);
    EXPECT_EQ(List(In("?.wav")).names, std::vector<std::string>{"a.wav"});
    EXPECT_EQ(List(In("*")).names.size(), 7u);  // with "." and ".."
    EXPECT_EQ(List(In("*.mp3")).firstError, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(List(In("no-folder/*")).firstError, ERROR_PATH_NOT_FOUND);
}

TEST_F(FindFilesTest, EntriesAreDescribed)
{
    WriteBytes(dir_ / "five", "12345");
    std::filesystem::create_directory(dir_ / "sub");
    std::filesystem::create_symlink(dir_ / "five", dir_ / "link");
    WIN32_FIND_DATAA data;
    auto attributes = [&](const char* name) {
        HANDLE search = FindFirstFileA(In(name).c_str(), &data);
        EXPECT_NE(search, INVALID_HANDLE_VALUE) << name;
        EXPECT_FALSE(FindNextFileA(search, &data));
        FindClose(search);
        return data.dwFileAttributes;
    };
    EXPECT_EQ(attributes("five"), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_NE(data.ftLastWriteTime.dwHighDateTime, 0u);
    EXPECT_TRUE(attributes("sub") & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(attributes("link") & FILE_ATTRIBUTE_REPARSE_POINT);  // the link itself
}

TEST_F(FindFilesTest, BadHandlesAndArgumentsFail)
{
    WIN32_FIND_DATAA data;
    int notASearch = 0;
    EXPECT_FALSE(FindNextFileA(&notASearch, &data));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FindClose(&notASearch));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(FindFirstFileA(nullptr, &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    WriteBytes(dir_ / "f", "");
    HANDLE search = FindFirstFileA(In("f").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));  // closed once only
}

}  // namespace
