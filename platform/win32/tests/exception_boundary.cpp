#include <varnel/exception_boundary.h>
#include <varnel/result.h>

#include <winbase.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <new>
#include <stdexcept>
#include <string>

namespace {

// A Win32-shaped function keeping the rule: its failures, thrown or returned
// as a Result, reach the caller only as FALSE and the last error.
BOOL Guarded(const std::function<win32::Status()>& body)
try {
    const win32::Status status = body();
    if (!status) {
        SetLastError(status.failure());
        return FALSE;
    }
    return TRUE;
} catch (...) {
    SetLastError(win32::ErrorFromCaughtException());
    return FALSE;
}

TEST(ExceptionBoundary, ExceptionsBecomeTheLastError)
{
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(Guarded([]() -> win32::Status { throw std::bad_alloc(); }));
    EXPECT_EQ(GetLastError(), ERROR_NOT_ENOUGH_MEMORY);
    EXPECT_FALSE(Guarded([]() -> win32::Status { throw std::length_error("too long"); }));
    EXPECT_EQ(GetLastError(), ERROR_INTERNAL_ERROR);
    EXPECT_FALSE(Guarded([]() -> win32::Status { throw 7; }));
    EXPECT_EQ(GetLastError(), ERROR_INTERNAL_ERROR);
    EXPECT_FALSE(Guarded([]() -> win32::Status { return win32::FailureFromErrno(ENOSPC); }));
    EXPECT_EQ(GetLastError(), ERROR_DISK_FULL);
    SetLastError(ERROR_SUCCESS);
    EXPECT_TRUE(Guarded([] { return win32::Status{}; }));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
}

TEST(Result, CarriesAValueOrTheFailure)
{
    win32::Result<std::string> value = std::string("text");
    ASSERT_TRUE(value);
    EXPECT_EQ(*value, "text");
    EXPECT_EQ(value->size(), 4u);

    win32::Result<std::string> missing = win32::FailureFromErrno(ENOENT, "/no/such/folder/file");
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.failure(), ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win32::Result<int>(win32::FailureFromErrno(ENOENT, "/")).failure(), ERROR_FILE_NOT_FOUND);

    // A layer above carries its own code in the same type.
    win32::Result<int, std::int32_t> com = win32::Failure<std::int32_t>{-2147024882};
    EXPECT_FALSE(com);
    EXPECT_EQ(com.failure(), -2147024882);
}

}  // namespace
