#include "test_objects.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(VariantInit, MakesAnEmptyVariant)
{
    VARIANT v;
    v.vt = VT_BSTR;
    VariantInit(&v);
    EXPECT_EQ(v.vt, VT_EMPTY);
}

TEST(VariantClear, FreesTheStringAndLeavesEmpty)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(u"freed");  // the sanitizer build reports it if it leaks
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(v.vt, VT_EMPTY);
    EXPECT_EQ(VariantClear(&v), S_OK);  // clearing an empty variant is fine
}

TEST(VariantClear, ReleasesTheInterface)
{
    auto* object = NewComObject<CountingObject>();
    object->AddRef();
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_UNKNOWN;
    v.punkVal = object->Identity();
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(RefCount(object), 1u);
    EXPECT_EQ(v.vt, VT_EMPTY);
    v.vt = VT_DISPATCH;
    v.pdispVal = nullptr;  // a null interface is allowed
    EXPECT_EQ(VariantClear(&v), S_OK);
    object->Release();
}

TEST(VariantClear, LeavesWhatAReferencePointsAt)
{
    BSTR text = SysAllocString(u"owned elsewhere");
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = &text;
    EXPECT_EQ(VariantClear(&v), S_OK);
    EXPECT_EQ(std::u16string(text), u"owned elsewhere");
    SysFreeString(text);
}

TEST(VariantClear, RejectsUnknownTypesAndNull)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = 0x0FFF;
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(v.vt, 0x0FFF);
    v.vt = VT_VARIANT;  // only by reference
    EXPECT_EQ(VariantClear(&v), DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
}

TEST(VariantCopy, DeepCopiesAString)
{
    const OLECHAR text[] = {u'a', 0, u'b'};
    ScopedVariant src, dest;
    src.v.vt = VT_BSTR;
    src.v.bstrVal = SysAllocStringLen(text, 3);
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_EQ(dest.v.vt, VT_BSTR);
    EXPECT_NE(dest.v.bstrVal, src.v.bstrVal);
    EXPECT_EQ(SysStringLen(dest.v.bstrVal), 3u);
    EXPECT_EQ(std::u16string(dest.v.bstrVal, 3), std::u16string(text, 3));
}

TEST(VariantCopy, ANullStringStaysNull)
{
    ScopedVariant src, dest;
    src.v.vt = VT_BSTR;
    src.v.bstrVal = nullptr;
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_EQ(dest.v.vt, VT_BSTR);
    EXPECT_EQ(dest.v.bstrVal, nullptr);
}

TEST(VariantCopy, AddsAReferenceToADispatchValue)
{
    auto* object = NewComObject<ValueObject>(MakeI4(1));
    {
        ScopedVariant src, dest;
        src.v.vt = VT_DISPATCH;
        src.v.pdispVal = object;
        object->AddRef();
        ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
        EXPECT_EQ(dest.v.pdispVal, static_cast<IDispatch*>(object));
        EXPECT_EQ(RefCount(object), 3u);
    }
    EXPECT_EQ(RefCount(object), 1u);
    object->Release();
}

TEST(VariantCopy, ClearsWhatTheDestinationHeld)
{
    auto* object = NewComObject<CountingObject>();
    ScopedVariant src, dest;
    dest.v.vt = VT_UNKNOWN;
    dest.v.punkVal = object->Identity();  // dest owns this reference
    src.v = MakeI4(5);
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_EQ(dest.v.vt, VT_I4);
    EXPECT_EQ(dest.v.lVal, 5);
}

TEST(VariantCopy, CopyingOntoItselfChangesNothing)
{
    ScopedVariant v;
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocString(u"same");
    BSTR before = v.v.bstrVal;
    EXPECT_EQ(VariantCopy(&v, &v), S_OK);
    EXPECT_EQ(v.v.bstrVal, before);
    EXPECT_EQ(std::u16string(v.v.bstrVal), u"same");
}

TEST(VariantCopy, AReferenceIsCopiedAsAReference)
{
    LONG value = 11;
    VARIANT src;
    VariantInit(&src);
    src.vt = VT_I4 | VT_BYREF;
    src.plVal = &value;
    ScopedVariant dest;
    ASSERT_EQ(VariantCopy(&dest, &src), S_OK);
    EXPECT_EQ(dest.v.vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(dest.v.plVal, &value);
}

TEST(VariantCopy, RejectsABadSourceAndKeepsTheDestination)
{
    VARIANT src;
    VariantInit(&src);
    src.vt = 0x0FFF;
    ScopedVariant dest;
    dest.v = MakeI4(3);
    EXPECT_EQ(VariantCopy(&dest, &src), DISP_E_BADVARTYPE);
    EXPECT_EQ(dest.v.lVal, 3);
    EXPECT_EQ(VariantCopy(nullptr, &src), E_INVALIDARG);
    EXPECT_EQ(VariantCopy(&dest, nullptr), E_INVALIDARG);
}

TEST(VariantCopyInd, CopiesTheValueBehindAReference)
{
    BSTR text = SysAllocString(u"behind");
    VARIANT src;
    VariantInit(&src);
    src.vt = VT_BSTR | VT_BYREF;
    src.pbstrVal = &text;
    ScopedVariant dest;
    ASSERT_EQ(VariantCopyInd(&dest, &src), S_OK);
    EXPECT_EQ(dest.v.vt, VT_BSTR);
    EXPECT_NE(dest.v.bstrVal, text);
    EXPECT_EQ(std::u16string(dest.v.bstrVal), u"behind");
    SysFreeString(text);
}

TEST(VariantCopyInd, FollowsOneVariantReferenceAndWorksInPlace)
{
    VARIANT inner = MakeI4(77);
    ScopedVariant v;
    v.v.vt = VT_VARIANT | VT_BYREF;
    v.v.pvarVal = &inner;
    ASSERT_EQ(VariantCopyInd(&v, &v), S_OK);
    EXPECT_EQ(v.v.vt, VT_I4);
    EXPECT_EQ(v.v.lVal, 77);
}

TEST(VariantCopyInd, ANullReferenceIsInvalid)
{
    VARIANT src;
    VariantInit(&src);
    src.vt = VT_I4 | VT_BYREF;
    src.plVal = nullptr;
    ScopedVariant dest;
    EXPECT_EQ(VariantCopyInd(&dest, &src), E_INVALIDARG);
    EXPECT_EQ(dest.v.vt, VT_EMPTY);
}

}  // namespace
