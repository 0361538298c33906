#include <varnel/status_text.h>

#include <winbase.h>

#include <gtest/gtest.h>

namespace {

constexpr HRESULT kUnknownStatus = static_cast<HRESULT>(0x80041234);

TEST(StatusText, TheSystemsTextWithoutItsLineEnd)
{
    EXPECT_EQ(com::SystemStatusText(E_ACCESSDENIED), "Access is denied.");
    EXPECT_EQ(com::SystemStatusText(REGDB_E_CLASSNOTREG), "Class not registered");
    EXPECT_EQ(com::StatusText(HRESULT_FROM_WIN32(ERROR_DISK_FULL)), "There is not enough space on the disk.");
}

TEST(StatusText, ACodeWithoutTextIsUnknownWithItsCode)
{
    EXPECT_EQ(com::SystemStatusText(kUnknownStatus), "");
    EXPECT_EQ(com::StatusText(kUnknownStatus), "Unknown error (0x80041234)");
}

TEST(StatusText, TheCodeInEightHexDigits)
{
    EXPECT_EQ(com::StatusCode(E_ACCESSDENIED), "0x80070005");
    EXPECT_EQ(com::StatusCode(static_cast<HRESULT>(0x2A)), "0x0000002A");
}

}  // namespace
