#include "failure_words.h"

#include <winbase.h>

#include <gtest/gtest.h>

namespace {

TEST(FailureInWords, TheSystemsTextWithoutItsFullStopThenTheCode)
{
    EXPECT_EQ(Win32FailureInWords(ERROR_DISK_FULL), "There is not enough space on the disk (0x80070070)");
    EXPECT_EQ(FailureInWords(E_ACCESSDENIED), "Access is denied (0x80070005)");
    EXPECT_EQ(FailureInWords(REGDB_E_CLASSNOTREG), "Class not registered (0x80040154)");  // no full stop of its own
    EXPECT_EQ(FailureInWords(static_cast<HRESULT>(0x800706BA)), "The RPC server is unavailable (0x800706BA)");
}

TEST(FailureInWords, ACodeWithoutTextInTheOneWordingForIt)
{
    EXPECT_EQ(FailureInWords(static_cast<HRESULT>(0x80041234)), "Unknown error (0x80041234)");
}

}  // namespace
