#include <processenv.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <varnel/process_calls.h>
#include <scratch_dir.h>
#include <winbase.h>

namespace {

namespace fs = std::filesystem;

TEST(GetCurrentDirectoryA, CopiesTheDirectoryOrAsksForRoom)
{
    testing_support::IsolatedEnvironment env;
    std::string expected = env.cwd().string();
    auto length = static_cast<DWORD>(expected.size());

    EXPECT_EQ(GetCurrentDirectoryA(0, nullptr), length + 1);
    std::string buffer(length + 4, 'x');
    EXPECT_EQ(GetCurrentDirectoryA(length, buffer.data()), length + 1) << "no room for the terminator";
    EXPECT_EQ(buffer, std::string(length + 4, 'x')) << "a buffer too small is left alone";
    EXPECT_EQ(GetCurrentDirectoryA(length + 1, buffer.data()), length);
    EXPECT_EQ(std::string(buffer.c_str()), expected);
    EXPECT_EQ(buffer[length + 1], 'x');
}

TEST(GetCurrentDirectoryA, LongDirectoriesAreReadWhole)
{
    testing_support::IsolatedEnvironment env;
    fs::path deep = env.cwd();
    for (int i = 0; i < 6; ++i) deep /= std::string(120, char('a' + i));
    fs::create_directories(deep);
    fs::current_path(deep);
    std::string buffer(2048, '\0');
    EXPECT_EQ(GetCurrentDirectoryA(2048, buffer.data()), deep.string().size());
    EXPECT_EQ(std::string(buffer.c_str()), deep.string());
}

TEST(GetCurrentDirectoryA, RemovedDirectoryFails)
{
    testing_support::IsolatedEnvironment env;
    fs::create_directory(env.cwd() / "gone");
    fs::current_path(env.cwd() / "gone");
    fs::remove(env.cwd() / "gone");
    char buffer[512];
    SetLastError(0);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

char* FailingGetcwd(char*, size_t)
{
    errno = EACCES;
    return nullptr;
}

TEST(GetCurrentDirectoryA, FailureIsReported)
{
    auto table = win32::proc::RealCalls();
    table.getcwd = FailingGetcwd;
    win32::proc::ScopedOverride failing(table);
    char buffer[64];
    SetLastError(0);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
