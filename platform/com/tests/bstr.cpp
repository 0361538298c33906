#include <oleauto.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

std::uint32_t Prefix(BSTR bstr)
{
    std::uint32_t bytes;
    std::memcpy(&bytes, reinterpret_cast<char*>(bstr) - 4, 4);
    return bytes;
}

TEST(SysAllocString, CopiesTheTextAfterAByteCountPrefix)
{
    BSTR text = SysAllocString(u"Hello");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"Hello");
    EXPECT_EQ(SysStringLen(text), 5u);
    EXPECT_EQ(SysStringByteLen(text), 10u);
    EXPECT_EQ(Prefix(text), 10u);
    EXPECT_EQ(text[5], 0);
    SysFreeString(text);
}

TEST(SysAllocString, NullGivesNullAndEmptyGivesAnEmptyString)
{
    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    BSTR empty = SysAllocString(u"");
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(SysStringLen(empty), 0u);
    EXPECT_EQ(empty[0], 0);
    SysFreeString(empty);
}

TEST(SysStringLen, NullIsEmpty)
{
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    EXPECT_EQ(SysStringByteLen(nullptr), 0u);
    SysFreeString(nullptr);  // allowed
}

TEST(SysAllocStringLen, KeepsEmbeddedZerosAndCountsThem)
{
    const OLECHAR text[] = {u'a', 0, u'b', 0, u'c'};
    BSTR bstr = SysAllocStringLen(text, 5);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 5u);
    EXPECT_EQ(std::u16string(bstr, 5), std::u16string(text, 5));
    EXPECT_EQ(bstr[5], 0);
    SysFreeString(bstr);
}

TEST(SysAllocStringLen, NullTextGivesZeroedUnitsOfTheLength)
{
    BSTR bstr = SysAllocStringLen(nullptr, 3);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringLen(bstr), 3u);
    for (int i = 0; i <= 3; ++i) EXPECT_EQ(bstr[i], 0);
    SysFreeString(bstr);
}

TEST(SysAllocStringLen, TakesOnlyTheGivenLength)
{
    BSTR bstr = SysAllocStringLen(u"abcdef", 2);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(std::u16string(bstr), u"ab");
    SysFreeString(bstr);
}

TEST(SysAllocStringLen, ImpossibleLengthsFailCleanly)
{
    EXPECT_EQ(SysAllocStringLen(nullptr, 0xFFFFFFFFu), nullptr);
    EXPECT_EQ(SysAllocStringByteLen(nullptr, 0xFFFFFFFFu), nullptr);
}

TEST(SysAllocStringByteLen, CountsBytesIncludingAnOddOne)
{
    BSTR bstr = SysAllocStringByteLen("abc", 3);
    ASSERT_NE(bstr, nullptr);
    EXPECT_EQ(SysStringByteLen(bstr), 3u);
    EXPECT_EQ(SysStringLen(bstr), 1u);
    EXPECT_EQ(std::memcmp(bstr, "abc\0", 4), 0);
    // The half-filled unit is followed by a whole zero unit, so the text can be
    // read unit by unit up to its end.
    EXPECT_EQ(bstr[2], u'\0');
    BSTR copy = nullptr;
    ASSERT_TRUE(SysReAllocString(&copy, bstr));
    EXPECT_EQ(SysStringLen(copy), 2u);
    EXPECT_EQ(std::memcmp(copy, "abc\0", 4), 0);
    SysFreeString(copy);
    SysFreeString(bstr);
}

TEST(SysReAllocString, ReplacesTheStringAndMayCopyFromItself)
{
    BSTR bstr = SysAllocString(u"longer text");
    ASSERT_TRUE(SysReAllocString(&bstr, bstr + 7));  // from inside the old string
    EXPECT_EQ(std::u16string(bstr), u"text");
    EXPECT_EQ(SysStringLen(bstr), 4u);
    ASSERT_TRUE(SysReAllocStringLen(&bstr, u"xy\0z", 4));
    EXPECT_EQ(SysStringLen(bstr), 4u);
    ASSERT_TRUE(SysReAllocString(&bstr, nullptr));
    EXPECT_EQ(bstr, nullptr);
    EXPECT_FALSE(SysReAllocString(nullptr, u"x"));
}

TEST(SysReAllocStringLen, AFailureKeepsTheOldString)
{
    BSTR bstr = SysAllocString(u"kept");
    EXPECT_FALSE(SysReAllocStringLen(&bstr, nullptr, 0xFFFFFFFFu));
    EXPECT_EQ(std::u16string(bstr), u"kept");
    SysFreeString(bstr);
}

}  // namespace
