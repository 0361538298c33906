#include "test_objects.h"

#include <gtest/gtest.h>

namespace {

// Speak("text", 1) as a caller passes it: arguments last first.
class DispGetParamTest : public ::testing::Test {
protected:
    DispGetParamTest()
    {
        VariantInit(&args[0]);
        args[0] = MakeI4(1);
        VariantInit(&args[1]);
        args[1].vt = VT_BSTR;
        args[1].bstrVal = SysAllocString(u"text");
    }
    ~DispGetParamTest() override
    {
        VariantClear(&args[0]);
        VariantClear(&args[1]);
    }
    VARIANT args[2];
    DISPPARAMS params{args, nullptr, 2, 0};
};

TEST_F(DispGetParamTest, PositionsCountInCallingOrder)
{
    ScopedVariant first, second;
    UINT argErr = 99;
    ASSERT_EQ(DispGetParam(&params, 0, VT_BSTR, &first, &argErr), S_OK);
    EXPECT_EQ(std::u16string(first.v.bstrVal), u"text");
    EXPECT_NE(first.v.bstrVal, args[1].bstrVal);  // a copy of its own
    ASSERT_EQ(DispGetParam(&params, 1, VT_I4, &second, &argErr), S_OK);
    EXPECT_EQ(second.v.lVal, 1);
    EXPECT_EQ(argErr, 99u);
}

TEST_F(DispGetParamTest, ConvertsAndNamesTheArgumentThatDoesNotFit)
{
    ScopedVariant value;
    UINT argErr = 99;
    EXPECT_EQ(DispGetParam(&params, 0, VT_I4, &value, &argErr), DISP_E_TYPEMISMATCH);
    EXPECT_EQ(argErr, 1u);  // index in rgvarg
    ScopedVariant text;
    ASSERT_EQ(DispGetParam(&params, 1, VT_BSTR, &text, &argErr), S_OK);
    EXPECT_EQ(std::u16string(text.v.bstrVal), u"1");
}

TEST_F(DispGetParamTest, AMissingArgumentIsNotFound)
{
    ScopedVariant value;
    UINT argErr = 99;
    EXPECT_EQ(DispGetParam(&params, 2, VT_I4, &value, &argErr), DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(argErr, 99u);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    EXPECT_EQ(DispGetParam(&none, 0, VT_I4, &value, &argErr), DISP_E_PARAMNOTFOUND);
}

TEST(DispGetParam, FindsAPropertyPutValueByItsName)
{
    VARIANT value = MakeI4(5);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    ScopedVariant out;
    EXPECT_EQ(DispGetParam(&params, 0, VT_I4, &out, nullptr), DISP_E_PARAMNOTFOUND);  // not positional
    ASSERT_EQ(DispGetParam(&params, static_cast<UINT>(DISPID_PROPERTYPUT), VT_I4, &out, nullptr), S_OK);
    EXPECT_EQ(out.v.lVal, 5);
}

TEST(DispGetParam, RejectsInconsistentParameters)
{
    ScopedVariant out;
    EXPECT_EQ(DispGetParam(nullptr, 0, VT_I4, &out, nullptr), E_INVALIDARG);
    DISPPARAMS noArray{nullptr, nullptr, 1, 0};
    EXPECT_EQ(DispGetParam(&noArray, 0, VT_I4, &out, nullptr), E_INVALIDARG);
    VARIANT value = MakeI4(1);
    DISPPARAMS moreNamedThanArgs{&value, nullptr, 1, 2};
    EXPECT_EQ(DispGetParam(&moreNamedThanArgs, 0, VT_I4, &out, nullptr), E_INVALIDARG);
    DISPPARAMS fine{&value, nullptr, 1, 0};
    EXPECT_EQ(DispGetParam(&fine, 0, VT_I4, nullptr, nullptr), E_INVALIDARG);
}

}  // namespace
