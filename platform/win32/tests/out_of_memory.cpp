// Win32 functions under allocation failure: each allocation a call makes is made
// to fail in turn. The call must report its failure value with the last error
// ERROR_NOT_ENOUGH_MEMORY (no C++ exception may reach a C-shaped caller), and a
// write that fails keeps the file as it was.
#include <allocation_watch.h>

#include <handleapi.h>
#include <winbase.h>
#include <winnls.h>

#include <gtest/gtest.h>
#include <scratch_dir.h>

#include <functional>
#include <string>

#include "test_files.h"

namespace {

struct SweepCounts {
    std::size_t allocations = 0;  // of the call that ran through
    std::size_t reported = 0;     // attempts that failed with ERROR_NOT_ENOUGH_MEMORY
};

// Sweeps `call`; `succeeded` says whether its result is success. An attempt that
// ran short must fail with ERROR_NOT_ENOUGH_MEMORY or succeed anyway (a failure
// the function absorbed); the last attempt must succeed. `afterAttempt` (may be
// null) is told after each attempt whether it failed.
template <class Result>
SweepCounts Sweep(const std::function<Result()>& call, const std::function<bool(Result)>& succeeded,
                  const std::function<void(bool failed)>& afterAttempt = nullptr)
{
    SweepCounts counts;
    const auto allocations = allocation_watch::SweepAllocations([&](allocation_watch::Watch& watch) {
        SetLastError(ERROR_SUCCESS);
        const Result result = call();
        const DWORD error = GetLastError();
        const bool ranShort = watch.NthFailed();
        watch.StopFailing();
        const bool failed = !succeeded(result);
        if (!ranShort) {
            EXPECT_FALSE(failed) << "with every allocation granted";
        } else if (failed) {
            EXPECT_EQ(error, ERROR_NOT_ENOUGH_MEMORY);
            ++counts.reported;
        }
        if (afterAttempt) afterAttempt(failed);
    });
    EXPECT_TRUE(allocations) << "the call never ran through";
    counts.allocations = allocations.value_or(0);
    return counts;
}

TEST(OutOfMemory, ProfileCallsReportItAndKeepTheFile)
{
    testing_support::ScratchDir dir;
    const std::string file = (dir / "set.ini").string();
    win32_test::WriteBytes(file, "[Voice]\nRate=3\nVolume=80\n");

    std::string previous = win32_test::ReadBytes(file);
    const SweepCounts write = Sweep<BOOL>(
        [&] { return WritePrivateProfileStringA("Voice", "Rate", "7", file.c_str()); },
        [](BOOL written) { return written != FALSE; },
        [&](bool failed) {
            const std::string now = win32_test::ReadBytes(file);
            if (failed) {
                EXPECT_EQ(now, previous) << "a failed write keeps the file";
            }
            previous = now;
        });
    EXPECT_GT(write.reported, 0u);
    EXPECT_EQ(GetPrivateProfileIntA("Voice", "Rate", 0, file.c_str()), 7u);

    char value[32];
    EXPECT_GT(Sweep<DWORD>(
                  [&] { return GetPrivateProfileStringA("Voice", "Volume", "", value, sizeof value, file.c_str()); },
                  [](DWORD length) { return length > 0; })
                  .reported,
              0u);
    EXPECT_STREQ(value, "80");
    char section[64];
    EXPECT_GT(Sweep<DWORD>([&] { return GetPrivateProfileSectionA("Voice", section, sizeof section, file.c_str()); },
                           [](DWORD length) { return length > 0; })
                  .reported,
              0u);
}

TEST(OutOfMemory, TextAndFileCallsReportIt)
{
    char text[256];
    const SweepCounts message = Sweep<DWORD>(
        [&] {
            return FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                  ERROR_ACCESS_DENIED, 0, text, sizeof text, nullptr);
        },
        [](DWORD length) { return length > 0; });

    const char accented[] = "caf\xE9 cr\xE8me";
    WCHAR wide[32];
    const SweepCounts toWide = Sweep<int>([&] { return MultiByteToWideChar(1252, 0, accented, -1, wide, 32); },
                                          [](int length) { return length > 0; });
    char narrow[32];
    EXPECT_GT(WideCharToMultiByte(1252, 0, wide, -1, narrow, sizeof narrow, nullptr, nullptr), 0);
    EXPECT_STREQ(narrow, accented);

    testing_support::ScratchDir dir;
    win32_test::WriteBytes(dir / "one.tmp", "1");
    win32_test::WriteBytes(dir / "two.tmp", "2");
    const std::string pattern = (dir / "*.tmp").string();
    const SweepCounts find = Sweep<HANDLE>(
        [&] {
            WIN32_FIND_DATAA found;
            HANDLE search = FindFirstFileA(pattern.c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) FindClose(search);
            return search;
        },
        [](HANDLE search) { return search != INVALID_HANDLE_VALUE; });
    EXPECT_GT(message.reported, 0u);
    EXPECT_GT(toWide.reported, 0u);
    EXPECT_GT(find.reported, 0u);
}

}  // namespace
