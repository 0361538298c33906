// The process and path functions answer through their slot: an override is
// called with the caller's arguments and its result returned; without one the
// platform's own function runs.
#include <varnel/kernel32_calls.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <winbase.h>

namespace {

using win32::kernel32::RealCalls;
using win32::kernel32::ScopedOverride;
using win32::kernel32::Table;

// What the last replacement saw.
struct Seen {
    const void* first = nullptr;
    const void* second = nullptr;
    DWORD number = 0;
};
Seen seen;

HANDLE const kFakeProcess = reinterpret_cast<HANDLE>(0x7001);
char commandLine[] = "converter input.txt";

TEST(Kernel32Calls, CreateProcessAReachesTheOverride)
{
    Table calls = RealCalls();
    calls.CreateProcessA = [](LPCSTR, LPSTR line, LPSECURITY_ATTRIBUTES, LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID,
                              LPCSTR, LPSTARTUPINFOA startup, LPPROCESS_INFORMATION process) -> BOOL {
        seen = {line, startup, 0};
        process->hProcess = kFakeProcess;
        process->dwProcessId = 4242;
        return TRUE;
    };
    ScopedOverride fake(calls);
    STARTUPINFOA startup{};
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(seen.first, commandLine);
    EXPECT_EQ(seen.second, &startup);
    EXPECT_EQ(process.hProcess, kFakeProcess);
    EXPECT_EQ(process.dwProcessId, 4242u);
}

TEST(Kernel32Calls, WaitExitCodeAndCloseReachTheOverride)
{
    Table calls = RealCalls();
    calls.WaitForSingleObject = [](HANDLE object, DWORD milliseconds) -> DWORD {
        seen = {object, nullptr, milliseconds};
        return WAIT_TIMEOUT;
    };
    calls.GetExitCodeProcess = [](HANDLE process, DWORD* exitCode) -> BOOL {
        seen = {process, exitCode, 0};
        *exitCode = 3;
        return TRUE;
    };
    calls.CloseHandle = [](HANDLE object) -> BOOL {
        seen = {object, nullptr, 0};
        return TRUE;
    };
    ScopedOverride fake(calls);
    EXPECT_EQ(WaitForSingleObject(kFakeProcess, 60000), WAIT_TIMEOUT);
    EXPECT_EQ(seen.first, kFakeProcess);
    EXPECT_EQ(seen.number, 60000u);
    DWORD exitCode = 0;
    EXPECT_TRUE(GetExitCodeProcess(kFakeProcess, &exitCode));
    EXPECT_EQ(seen.second, &exitCode);
    EXPECT_EQ(exitCode, 3u);
    seen = {};
    EXPECT_TRUE(CloseHandle(kFakeProcess));
    EXPECT_EQ(seen.first, kFakeProcess);
}

TEST(Kernel32Calls, PathFunctionsReachTheOverride)
{
    Table calls = RealCalls();
    calls.GetModuleFileNameA = [](HMODULE module, LPSTR fileName, DWORD size) -> DWORD {
        seen = {module, fileName, size};
        return 7;
    };
    calls.GetCurrentDirectoryA = [](DWORD size, LPSTR buffer) -> DWORD {
        seen = {buffer, nullptr, size};
        return 9;
    };
    ScopedOverride fake(calls);
    char buffer[16];
    EXPECT_EQ(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 7u);
    EXPECT_EQ(seen.second, buffer);
    EXPECT_EQ(seen.number, sizeof buffer);
    EXPECT_EQ(GetCurrentDirectoryA(sizeof buffer, buffer), 9u);
    EXPECT_EQ(seen.first, buffer);
}

TEST(Kernel32Calls, WithoutAnOverrideThePlatformAnswers)
{
    char buffer[4096];
    ASSERT_NE(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
    EXPECT_EQ(std::string(buffer), std::filesystem::current_path().string());
    ASSERT_NE(GetModuleFileNameA(nullptr, buffer, sizeof buffer), 0u);
    EXPECT_EQ(std::string(buffer), std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(WaitForSingleObject(kFakeProcess, 0), WAIT_FAILED);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    DWORD exitCode = 0;
    EXPECT_FALSE(GetExitCodeProcess(kFakeProcess, &exitCode));
    EXPECT_FALSE(CloseHandle(kFakeProcess));
    char missing[] = "no-such-program-anywhere";
    STARTUPINFOA startup{};
    PROCESS_INFORMATION process{};
    EXPECT_FALSE(CreateProcessA(nullptr, missing, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(Kernel32Calls, AnOverrideMayForwardToThePlatform)
{
    Table calls = RealCalls();
    calls.CloseHandle = [](HANDLE object) -> BOOL {
        seen = {object, nullptr, 0};
        return RealCalls().CloseHandle(object);
    };
    ScopedOverride forwarding(calls);
    seen = {};
    EXPECT_FALSE(CloseHandle(kFakeProcess));
    EXPECT_EQ(seen.first, kFakeProcess);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

}  // namespace
