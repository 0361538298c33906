#include <guiddef.h>

#include <gtest/gtest.h>

namespace {

constexpr GUID kVoice = MakeGuid("{96749377-3391-11D2-9EE3-00C04F797396}");

TEST(ParseGuid, ReadsTheRegistryFormWithAndWithoutBracesInAnyCase)
{
    for (const char* text : {"{96749377-3391-11D2-9EE3-00C04F797396}", "96749377-3391-11D2-9EE3-00C04F797396",
                             "{96749377-3391-11d2-9ee3-00c04f797396}"}) {
        auto parsed = ParseGuid(text);
        ASSERT_TRUE(parsed) << text;
        EXPECT_EQ(*parsed, kVoice) << text;
    }
    auto parsed = ParseGuid("{96749377-3391-11D2-9EE3-00C04F797396}");
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->Data1, 0x96749377u);
    EXPECT_EQ(parsed->Data2, 0x3391);
    EXPECT_EQ(parsed->Data3, 0x11D2);
    EXPECT_EQ(parsed->Data4[0], 0x9E);
    EXPECT_EQ(parsed->Data4[7], 0x96);
}

TEST(ParseGuid, RejectsMalformedText)
{
    for (const char* text : {"", "{}", "{96749377-3391-11D2-9EE3-00C04F797396",
                             "96749377-3391-11D2-9EE3-00C04F797396}", "(96749377-3391-11D2-9EE3-00C04F797396)",
                             "{96749377-3391-11D2-9EE3-00C04F79739}", "{96749377-3391-11D2-9EE3-00C04F7973966}",
                             "{96749377+3391-11D2-9EE3-00C04F797396}", "{9674937-73391-11D2-9EE3-00C04F797396}",
                             "{96749377-3391-11D2-9EE3-00C04F79739G}", "{ 6749377-3391-11D2-9EE3-00C04F797396}",
                             "{96749377-3391-11D2-9EE300-C04F797396}", "SAPI.SpVoice"}) {
        EXPECT_FALSE(ParseGuid(text)) << text;
    }
    EXPECT_FALSE(ParseGuid(std::string_view("{96749377-3391-11D2-9EE3-00C04F797396}\0", 39)));
}

TEST(FormatGuid, WritesBracesAndUpperCaseDigits)
{
    EXPECT_EQ(FormatGuid(kVoice), "{96749377-3391-11D2-9EE3-00C04F797396}");
    EXPECT_EQ(FormatGuid(GUID_NULL), "{00000000-0000-0000-0000-000000000000}");
    GUID all{0xFFFFFFFFu, 0xFFFF, 0xFFFF, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}};
    EXPECT_EQ(FormatGuid(all), "{FFFFFFFF-FFFF-FFFF-FFFF-FFFFFFFFFFFF}");
}

TEST(FormatGuid, RoundTripsThroughParseGuid)
{
    GUID guid{0x0123ABCDu, 0x0045, 0xBEEF, {0x00, 0x01, 0x7F, 0x80, 0xA0, 0x0B, 0xC0, 0xFF}};
    auto back = ParseGuid(FormatGuid(guid));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, guid);
}

TEST(Guid, EqualityComparesEveryByte)
{
    GUID other = kVoice;
    EXPECT_TRUE(IsEqualGUID(other, kVoice));
    other.Data4[7] ^= 1;
    EXPECT_FALSE(IsEqualGUID(other, kVoice));
    EXPECT_FALSE(IsEqualCLSID(GUID_NULL, kVoice));
}

}  // namespace
