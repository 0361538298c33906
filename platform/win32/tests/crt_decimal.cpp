#include <stdlib.h>

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(DecimalConversion, DigitsUpToTheFirstOtherCharacter)
{
    EXPECT_EQ(msvcrt::atol("-3x"), -3);
    EXPECT_EQ(msvcrt::atol("42"), 42);
    EXPECT_EQ(msvcrt::atol("+7 8"), 7);
    EXPECT_EQ(msvcrt::atol(" \t\n\v\f\r12"), 12);
    EXPECT_EQ(msvcrt::atoi("2abc"), 2);
}

TEST(DecimalConversion, NoDigitsGiveZero)
{
    for (const char* text : {"abc", "", "-", "+", "--1", "+-1", " x1", "\x01" "5"})
        EXPECT_EQ(msvcrt::atoi(text), 0) << text;
    EXPECT_EQ(msvcrt::atoi(nullptr), 0);
}

TEST(DecimalConversion, OverflowWrapsAroundAt32Bits)
{
    EXPECT_EQ(msvcrt::atol("2147483647"), INT_MAX);
    EXPECT_EQ(msvcrt::atol("2147483648"), INT_MIN);
    EXPECT_EQ(msvcrt::atol("-2147483648"), INT_MIN);
    EXPECT_EQ(msvcrt::atol("-2147483649"), INT_MAX);
    EXPECT_EQ(msvcrt::atol("4294967306"), 10);  // 2^32 + 10
    EXPECT_EQ(msvcrt::atoi("18446744073709551617"), 1);  // 2^64 + 1
}

}  // namespace
