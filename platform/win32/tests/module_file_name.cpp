#include <libloaderapi.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include <varnel/process_calls.h>
#include <winbase.h>

namespace {

std::string RunningExecutable() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

TEST(GetModuleFileNameA, GivesTheRunningExecutablesFullPath)
{
    std::string expected = RunningExecutable();
    char buffer[4096];
    SetLastError(1234);
    DWORD length = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    EXPECT_EQ(length, expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(GetLastError(), 1234u) << "success leaves the last error alone";
    EXPECT_EQ(GetModuleFileNameA(GetModuleHandleA(nullptr), buffer, sizeof buffer), expected.size());
}

TEST(GetModuleFileNameA, TooSmallBufferIsCutAndTerminated)
{
    std::string expected = RunningExecutable();
    auto exact = static_cast<DWORD>(expected.size());
    std::string buffer(exact + 8, 'x');
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), exact + 1), exact) << "room for the terminator";

    buffer.assign(exact + 8, 'x');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), exact), exact);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(buffer.c_str()), expected.substr(0, exact - 1));
    EXPECT_EQ(buffer[exact], 'x') << "nothing written past the buffer";

    buffer = "abc";
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 1), 1u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(buffer[1], 'b');
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 0), 0u);
    EXPECT_EQ(buffer[0], '\0');
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

TEST(GetModuleFileNameA, OtherModulesAndNamesAreUnknown)
{
    char buffer[64];
    int other = 0;
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(reinterpret_cast<HMODULE>(&other), buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr);
    EXPECT_EQ(GetModuleHandleA(nullptr), GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA("kernel32.dll"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

// A path longer than readlink's first buffer, to make it grow.
ssize_t LongLink(const char*, char* buffer, size_t size)
{
    static const std::string path = "/" + std::string(700, 'd') + "/varnel";
    auto n = std::min(size, path.size());
    path.copy(buffer, n);
    return static_cast<ssize_t>(n);
}

ssize_t FailingLink(const char*, char*, size_t)
{
    errno = EACCES;
    return -1;
}

TEST(GetModuleFileNameA, LongPathsAreReadWholeAndFailuresReported)
{
    auto table = win32::proc::RealCalls();
    table.readlink = LongLink;
    {
        win32::proc::ScopedOverride longLink(table);
        std::string buffer(1024, '\0');
        EXPECT_EQ(GetModuleFileNameA(nullptr, buffer.data(), 1024), 708u);
        EXPECT_EQ(buffer.substr(701, 7), "/varnel");
    }
    table.readlink = FailingLink;
    win32::proc::ScopedOverride failing(table);
    char buffer[64];
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

}  // namespace
