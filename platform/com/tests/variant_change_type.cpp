#include "test_objects.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Converts a copy of src to vt; the result's status and value.
struct Converted {
    HRESULT hr;
    ScopedVariant value;
};

void Convert(const VARIANT& src, VARTYPE vt, Converted& out, USHORT flags = 0)
{
    out.hr = VariantChangeType(&out.value, &src, flags, vt);
}

VARIANT Text(ScopedVariant& holder, const char16_t* text)
{
    holder.v.vt = VT_BSTR;
    holder.v.bstrVal = SysAllocString(text);
    return holder.v;
}

VARIANT Bool(VARIANT_BOOL value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BOOL;
    v.boolVal = value;
    return v;
}

std::u16string TextOf(const VARIANT& v) { return std::u16string(v.bstrVal, SysStringLen(v.bstrVal)); }

TEST(VariantChangeType, IntegerToTextIsDecimal)
{
    for (auto [number, text] : {std::pair<LONG, std::u16string>{0, u"0"}, {42, u"42"}, {-7, u"-7"},
                                {2147483647, u"2147483647"}, {-2147483647 - 1, u"-2147483648"}}) {
        Converted c;
        Convert(MakeI4(number), VT_BSTR, c);
        ASSERT_EQ(c.hr, S_OK);
        EXPECT_EQ(c.value.v.vt, VT_BSTR);
        EXPECT_EQ(TextOf(c.value.v), text);
    }
}

TEST(VariantChangeType, TextToIntegerReadsDecimalsWithBlanksAndSign)
{
    struct Case { const char16_t* text; LONG value; };
    for (Case test : {Case{u"42", 42}, Case{u"  -17 ", -17}, Case{u"+5", 5}, Case{u"2147483647", 2147483647},
                      Case{u"-2147483648", -2147483647 - 1}, Case{u"2.5", 2}, Case{u"3.5", 4}, Case{u"-0.4", 0},
                      Case{u"007", 7}}) {
        ScopedVariant src;
        Converted c;
        Convert(Text(src, test.text), VT_I4, c);
        ASSERT_EQ(c.hr, S_OK) << std::string(test.text, test.text + std::char_traits<char16_t>::length(test.text));
        EXPECT_EQ(c.value.v.vt, VT_I4);
        EXPECT_EQ(c.value.v.lVal, test.value);
    }
}

TEST(VariantChangeType, TextThatIsNoNumberIsATypeMismatch)
{
    for (const char16_t* text : {u"", u"  ", u"abc", u"12abc", u"1 2", u"-", u"0x10", u"١٢"}) {
        ScopedVariant src;
        Converted c;
        Convert(Text(src, text), VT_I4, c);
        EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(c.value.v.vt, VT_EMPTY);
    }
    // An embedded zero is part of the text, not its end.
    ScopedVariant src;
    src.v.vt = VT_BSTR;
    src.v.bstrVal = SysAllocStringLen(u"12\0" "3", 4);
    Converted c;
    Convert(src.v, VT_I4, c);
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, NumbersOutOfRangeOverflow)
{
    for (const char16_t* text : {u"2147483648", u"-2147483649", u"99999999999999999999"}) {
        ScopedVariant src;
        Converted c;
        Convert(Text(src, text), VT_I4, c);
        EXPECT_EQ(c.hr, DISP_E_OVERFLOW);
    }
    Converted i2;
    Convert(MakeI4(32768), VT_I2, i2);
    EXPECT_EQ(i2.hr, DISP_E_OVERFLOW);
    Converted ui2;
    Convert(MakeI4(-1), VT_UI2, ui2);
    EXPECT_EQ(ui2.hr, DISP_E_OVERFLOW);
    Converted fits;
    Convert(MakeI4(65535), VT_UI2, fits);
    ASSERT_EQ(fits.hr, S_OK);
    EXPECT_EQ(fits.value.v.uiVal, 65535);
    Converted negative;
    Convert(MakeI4(-32768), VT_I2, negative);
    ASSERT_EQ(negative.hr, S_OK);
    EXPECT_EQ(negative.value.v.iVal, -32768);
}

TEST(VariantChangeType, BooleansAndIntegers)
{
    Converted fromTrue, fromFalse, fromSeven, fromZero;
    Convert(Bool(VARIANT_TRUE), VT_I4, fromTrue);
    Convert(Bool(VARIANT_FALSE), VT_I4, fromFalse);
    Convert(MakeI4(7), VT_BOOL, fromSeven);
    Convert(MakeI4(0), VT_BOOL, fromZero);
    EXPECT_EQ(fromTrue.hr, S_OK);
    EXPECT_EQ(fromTrue.value.v.lVal, -1);
    EXPECT_EQ(fromFalse.value.v.lVal, 0);
    EXPECT_EQ(fromSeven.value.v.vt, VT_BOOL);
    EXPECT_EQ(fromSeven.value.v.boolVal, VARIANT_TRUE);
    EXPECT_EQ(fromZero.value.v.boolVal, VARIANT_FALSE);
}

TEST(VariantChangeType, BooleansAsTextAreNumbersUnlessAskedForWords)
{
    Converted number, word;
    Convert(Bool(VARIANT_TRUE), VT_BSTR, number);
    Convert(Bool(VARIANT_FALSE), VT_BSTR, word, VARIANT_ALPHABOOL);
    EXPECT_EQ(TextOf(number.value.v), u"-1");
    EXPECT_EQ(TextOf(word.value.v), u"False");
    for (auto [text, value] : {std::pair<const char16_t*, VARIANT_BOOL>{u"True", VARIANT_TRUE}, {u"false", VARIANT_FALSE},
                               {u"-1", VARIANT_TRUE}, {u"0", VARIANT_FALSE}, {u"0.4", VARIANT_TRUE}}) {
        ScopedVariant src;
        Converted c;
        Convert(Text(src, text), VT_BOOL, c);
        ASSERT_EQ(c.hr, S_OK);
        EXPECT_EQ(c.value.v.boolVal, value);
    }
    ScopedVariant maybe;
    Converted c;
    Convert(Text(maybe, u"maybe"), VT_BOOL, c);
    EXPECT_EQ(c.hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, EmptyBecomesZeroFalseAndEmptyText)
{
    VARIANT empty;
    VariantInit(&empty);
    Converted i4, text, boolean, stillEmpty;
    Convert(empty, VT_I4, i4);
    Convert(empty, VT_BSTR, text);
    Convert(empty, VT_BOOL, boolean);
    Convert(MakeI4(3), VT_EMPTY, stillEmpty);
    EXPECT_EQ(i4.hr, S_OK);
    EXPECT_EQ(i4.value.v.lVal, 0);
    ASSERT_EQ(text.hr, S_OK);
    EXPECT_NE(text.value.v.bstrVal, nullptr);
    EXPECT_EQ(SysStringLen(text.value.v.bstrVal), 0u);
    EXPECT_EQ(boolean.value.v.boolVal, VARIANT_FALSE);
    EXPECT_EQ(stillEmpty.hr, S_OK);
    EXPECT_EQ(stillEmpty.value.v.vt, VT_EMPTY);
}

TEST(VariantChangeType, NullAndInterfacesDoNotBecomeNumbers)
{
    VARIANT null;
    VariantInit(&null);
    null.vt = VT_NULL;
    Converted fromNull, toDispatch, nullDispatch;
    Convert(null, VT_I4, fromNull);
    Convert(MakeI4(1), VT_DISPATCH, toDispatch);
    VARIANT noObject;
    VariantInit(&noObject);
    noObject.vt = VT_DISPATCH;
    Convert(noObject, VT_I4, nullDispatch);
    EXPECT_EQ(fromNull.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(toDispatch.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(nullDispatch.hr, DISP_E_TYPEMISMATCH);
}

TEST(VariantChangeType, AnObjectConvertsThroughItsValueProperty)
{
    auto* object = NewComObject<ValueObject>(MakeI4(42));
    VARIANT src;
    VariantInit(&src);
    src.vt = VT_DISPATCH;
    src.pdispVal = object;
    Converted text, refused;
    Convert(src, VT_BSTR, text);
    ASSERT_EQ(text.hr, S_OK);
    EXPECT_EQ(TextOf(text.value.v), u"42");
    EXPECT_EQ(object->valueReads, 1);
    Convert(src, VT_I4, refused, VARIANT_NOVALUEPROP);
    EXPECT_EQ(refused.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(object->valueReads, 1);
    EXPECT_EQ(RefCount(object), 1u);
    object->Release();
}

TEST(VariantChangeType, InterfacesConvertByQueryInterface)
{
    auto* object = NewComObject<ValueObject>(MakeI4(0));
    VARIANT src;
    VariantInit(&src);
    src.vt = VT_DISPATCH;
    src.pdispVal = object;
    {
        Converted unknown;
        Convert(src, VT_UNKNOWN, unknown);
        ASSERT_EQ(unknown.hr, S_OK);
        EXPECT_EQ(unknown.value.v.punkVal, object->Identity());
        EXPECT_EQ(RefCount(object), 2u);
        Converted back;
        Convert(unknown.value.v, VT_DISPATCH, back);
        ASSERT_EQ(back.hr, S_OK);
        EXPECT_EQ(back.value.v.pdispVal, static_cast<IDispatch*>(object));
        EXPECT_EQ(RefCount(object), 3u);
    }
    EXPECT_EQ(RefCount(object), 1u);
    object->Release();

    auto* plain = NewComObject<CountingObject>();
    VARIANT unknown;
    VariantInit(&unknown);
    unknown.vt = VT_UNKNOWN;
    unknown.punkVal = plain->Identity();
    Converted noDispatch;
    Convert(unknown, VT_DISPATCH, noDispatch);
    EXPECT_EQ(noDispatch.hr, DISP_E_TYPEMISMATCH);
    EXPECT_EQ(RefCount(plain), 1u);
    plain->Release();
}

TEST(VariantChangeType, ConvertsInPlaceAndFreesTheOldValue)
{
    ScopedVariant v;
    v.v.vt = VT_BSTR;
    v.v.bstrVal = SysAllocString(u"123");  // freed by the conversion (sanitizer-checked)
    ASSERT_EQ(VariantChangeType(&v, &v, 0, VT_I4), S_OK);
    EXPECT_EQ(v.v.vt, VT_I4);
    EXPECT_EQ(v.v.lVal, 123);
}

TEST(VariantChangeType, AFailureLeavesTheDestinationAsItWas)
{
    ScopedVariant v, dest;
    Text(v, u"not a number");
    dest.v = MakeI4(9);
    EXPECT_EQ(VariantChangeType(&dest, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(dest.v.vt, VT_I4);
    EXPECT_EQ(dest.v.lVal, 9);
    EXPECT_EQ(VariantChangeType(&v, &v, 0, VT_I4), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(TextOf(v.v), u"not a number");
}

TEST(VariantChangeType, ReadsThroughReferences)
{
    LONG number = 31;
    VARIANT ref;
    VariantInit(&ref);
    ref.vt = VT_I4 | VT_BYREF;
    ref.plVal = &number;
    Converted text;
    Convert(ref, VT_BSTR, text);
    ASSERT_EQ(text.hr, S_OK);
    EXPECT_EQ(TextOf(text.value.v), u"31");
}

TEST(VariantChangeType, SameTypeCopiesAndUnsupportedTypesAreRefused)
{
    ScopedVariant src;
    Text(src, u"same");
    Converted copy, real, badSource;
    Convert(src.v, VT_BSTR, copy);
    ASSERT_EQ(copy.hr, S_OK);
    EXPECT_NE(copy.value.v.bstrVal, src.v.bstrVal);
    EXPECT_EQ(TextOf(copy.value.v), u"same");
    Convert(MakeI4(1), VT_R8, real);
    EXPECT_EQ(real.hr, DISP_E_BADVARTYPE);
    VARIANT bad;
    VariantInit(&bad);
    bad.vt = 0x0FFF;
    Convert(bad, VT_I4, badSource);
    EXPECT_EQ(badSource.hr, DISP_E_BADVARTYPE);
    EXPECT_EQ(VariantChangeType(nullptr, &src, 0, VT_I4), E_INVALIDARG);
}

}  // namespace
