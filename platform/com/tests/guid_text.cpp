#include "test_objects.h"

#include <oaidl.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr GUID kVoice = MakeGuid("{96749377-3391-11D2-9EE3-00C04F797396}");

TEST(StringFromGUID2, WritesTheBracedFormAndCountsTheTerminator)
{
    OLECHAR buffer[39];
    EXPECT_EQ(StringFromGUID2(kVoice, buffer, 39), 39);
    EXPECT_EQ(std::u16string(buffer), u"{96749377-3391-11D2-9EE3-00C04F797396}");
}

TEST(StringFromGUID2, ABufferTooSmallGetsNothing)
{
    OLECHAR buffer[39] = {u'x'};
    EXPECT_EQ(StringFromGUID2(kVoice, buffer, 38), 0);
    EXPECT_EQ(buffer[0], u'x');
    EXPECT_EQ(StringFromGUID2(kVoice, nullptr, 39), 0);
}

TEST(StringFromCLSID, HandsOutATaskMemoryCopy)
{
    LPOLESTR text = nullptr;
    ASSERT_EQ(StringFromCLSID(kVoice, &text), S_OK);
    EXPECT_EQ(std::u16string(text), u"{96749377-3391-11D2-9EE3-00C04F797396}");
    CoTaskMemFree(text);
    EXPECT_EQ(StringFromCLSID(kVoice, nullptr), E_INVALIDARG);
}

TEST(CLSIDFromString, ReadsBracedGuidsOnly)
{
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(u"{96749377-3391-11d2-9ee3-00c04f797396}", &clsid), S_OK);
    EXPECT_EQ(clsid, kVoice);
    clsid = kVoice;
    EXPECT_EQ(CLSIDFromString(u"{96749377-3391-11D2-9EE3-00C04F79739}", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(clsid, kVoice);
    EXPECT_EQ(CLSIDFromString(u"96749377-3391-11D2-9EE3-00C04F797396", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"{96749377-3391-11D2-9EE3-00C04F79739\u00e9}", &clsid), CO_E_CLASSSTRING);
    EXPECT_EQ(CLSIDFromString(u"", &clsid), CO_E_CLASSSTRING);
}

TEST(CLSIDFromString, NullTextIsTheNullClassAndANullOutIsInvalid)
{
    CLSID clsid = kVoice;
    EXPECT_EQ(CLSIDFromString(nullptr, &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_NULL);
    EXPECT_EQ(CLSIDFromString(u"{96749377-3391-11D2-9EE3-00C04F797396}", nullptr), E_INVALIDARG);
}

TEST(CLSIDFromString, AcceptsAKnownProgId)
{
    TestClassesRegistered classes;
    CLSID clsid{};
    EXPECT_EQ(CLSIDFromString(u"Varnel.TestCounting", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_TestCounting);
}

TEST(IIDFromString, ReadsBracedGuidsAndRejectsTheRest)
{
    IID iid{};
    EXPECT_EQ(IIDFromString(u"{00020400-0000-0000-C000-000000000046}", &iid), S_OK);
    EXPECT_EQ(iid, IID_IDispatch);
    EXPECT_EQ(IIDFromString(u"IDispatch", &iid), E_INVALIDARG);
    EXPECT_EQ(IIDFromString(nullptr, &iid), S_OK);
    EXPECT_EQ(iid, IID_NULL);
    OLECHAR text[39];
    ASSERT_EQ(StringFromGUID2(IID_ITestLeaf, text, 39), 39);
    EXPECT_EQ(IIDFromString(text, &iid), S_OK);
    EXPECT_EQ(iid, IID_ITestLeaf);
}

}  // namespace
