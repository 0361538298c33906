#include <afxdisp.h>
#include <varnel/class_table.h>
#include <objbase.h>
#include <oleauto.h>

#include "code_page.h"

#include <locale_guard.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An IDispatch on the stack that counts its references and records each call.
class FakeDispatch final : public IDispatch {
public:
    STDMETHOD(QueryInterface)(REFIID riid, void** object) override
    {
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHOD(Invoke)(DISPID dispId, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                      UINT*) override
    {
        lastDispId = dispId;
        lastFlags = flags;
        args.clear();
        for (UINT i = params->cArgs; i-- > 0;) args.push_back(params->rgvarg[i]);  // back into calling order
        named.assign(params->rgdispidNamedArgs, params->rgdispidNamedArgs + params->cNamedArgs);
        texts.clear();
        for (const VARIANT& arg : args) texts.push_back(arg.vt == VT_BSTR && arg.bstrVal ? std::u16string(arg.bstrVal, SysStringLen(arg.bstrVal)) : u"<null>");
        hadResult = result != nullptr;
        if (failure == DISP_E_EXCEPTION) {
            info->wCode = 0;
            info->scode = DISP_E_BADINDEX;
            info->bstrDescription = SysAllocString(u"Index out of range");
            info->bstrSource = SysAllocString(u"SAPI.SpObjectTokens");
            return DISP_E_EXCEPTION;
        }
        if (FAILED(failure)) return failure;
        if (result) VariantCopy(result, &answer);
        return S_OK;
    }

    ULONG refs = 1;  // the creator's
    HRESULT failure = S_OK;
    VARIANT answer{};
    DISPID lastDispId = 0;
    WORD lastFlags = 0;
    std::vector<VARIANT> args;
    std::vector<DISPID> named;
    std::vector<std::u16string> texts;
    bool hadResult = false;
};

class TokensDispatch : public COleDispatchDriver {
public:
    TokensDispatch() = default;
    TokensDispatch(LPDISPATCH p) : COleDispatchDriver(p) {}
    TokensDispatch(const TokensDispatch& other) = default;
    TokensDispatch& operator=(const TokensDispatch& other) = default;
    LPDISPATCH Item(LONG index)
    {
        LPDISPATCH result = nullptr;
        static const BYTE params[] = VTS_I4;
        InvokeHelper(0, DISPATCH_METHOD, VT_DISPATCH, &result, params, index);
        return result;
    }
};

}  // namespace

TEST(DispatchDriver, DestructionAndReleaseGiveBackOwnedReferencesOnly)
{
    FakeDispatch object;
    object.AddRef();
    {
        COleDispatchDriver owner(&object);
        EXPECT_EQ(object.refs, 2u);
    }
    EXPECT_EQ(object.refs, 1u);
    {
        COleDispatchDriver lender(&object, FALSE);
    }
    EXPECT_EQ(object.refs, 1u);
    COleDispatchDriver driver;
    object.AddRef();
    driver.AttachDispatch(&object);
    driver.ReleaseDispatch();
    EXPECT_EQ(driver.m_lpDispatch, nullptr);
    EXPECT_EQ(object.refs, 1u);
    driver.ReleaseDispatch();  // twice is harmless
    object.AddRef();
    driver.AttachDispatch(&object);
    LPDISPATCH detached = driver.DetachDispatch();
    EXPECT_EQ(detached, &object);
    EXPECT_EQ(object.refs, 2u);
    detached->Release();
}

TEST(DispatchDriver, CopyAndAssignmentShareWithOneReferenceEach)
{
    FakeDispatch first, second;
    first.AddRef();
    COleDispatchDriver a(&first);
    COleDispatchDriver b(a);
    EXPECT_EQ(first.refs, 3u);
    EXPECT_TRUE(b.m_bAutoRelease);
    second.AddRef();
    COleDispatchDriver c(&second);
    c = a;  // releases second, shares first
    EXPECT_EQ(second.refs, 1u);
    EXPECT_EQ(first.refs, 4u);
    COleDispatchDriver& alias = c;  // through a reference: clang rightly warns on c = c
    c = alias;                       // self-assignment changes nothing
    EXPECT_EQ(first.refs, 4u);
    COleDispatchDriver lender(&second, FALSE);
    lender = a;  // the lent pointer is not released; the target now owns a reference
    EXPECT_EQ(second.refs, 1u);
    EXPECT_EQ(first.refs, 5u);
    EXPECT_TRUE(lender.m_bAutoRelease);
    COleDispatchDriver empty;
    lender = empty;
    EXPECT_EQ(lender.m_lpDispatch, nullptr);
    EXPECT_EQ(first.refs, 4u);
}

TEST(DispatchDriver, MovesHandTheReferenceOver)
{
    FakeDispatch object;
    object.AddRef();
    COleDispatchDriver a(&object);
    COleDispatchDriver b(std::move(a));
    EXPECT_EQ(object.refs, 2u);
    EXPECT_EQ(a.m_lpDispatch, nullptr);
    COleDispatchDriver c;
    c = std::move(b);
    EXPECT_EQ(object.refs, 2u);
    COleDispatchDriver& alias = c;  // through a reference: clang warns on a plain self-move
    c = std::move(alias);
    EXPECT_EQ(object.refs, 2u);
    c.ReleaseDispatch();
    EXPECT_EQ(object.refs, 1u);
}

TEST(DispatchDriver, TemporaryThenAssignLeavesExactlyOneReference)
{
    FakeDispatch tokens, token;
    tokens.AddRef();
    TokensDispatch collection(&tokens);
    token.answer.vt = VT_DISPATCH;
    token.answer.pdispVal = &token;  // VariantCopy in Invoke adds the reference Item returns
    tokens.answer = token.answer;
    TokensDispatch member;
    for (int i = 0; i < 3; ++i) {
        TokensDispatch temporary(collection.Item(i));
        member = temporary;
        temporary.ReleaseDispatch();
    }
    EXPECT_EQ(token.refs, 2u);  // the creator's and the member's
    member.ReleaseDispatch();
    EXPECT_EQ(token.refs, 1u);
    collection.ReleaseDispatch();
    EXPECT_EQ(tokens.refs, 1u);
}

TEST(DispatchDriver, MethodArgumentsArriveInOrderWithTextConverted)
{
    testing_support::LocaleGuard locale("zh_CN.GBK");
    FakeDispatch object;
    COleDispatchDriver driver(&object, FALSE);
    object.answer.vt = VT_I4;
    object.answer.lVal = 42;
    LONG streamNumber = 0;
    static const BYTE params[] = VTS_BSTR VTS_I4;
    driver.InvokeHelper(12, DISPATCH_METHOD, VT_I4, &streamNumber, params, mfc_test::kGbkBaiRi, 1);
    EXPECT_EQ(streamNumber, 42);
    EXPECT_EQ(object.lastDispId, 12);
    EXPECT_EQ(object.lastFlags, DISPATCH_METHOD);
    ASSERT_EQ(object.args.size(), 2u);
    EXPECT_EQ(object.args[0].vt, VT_BSTR);
    EXPECT_EQ(object.texts[0], u"白日");
    EXPECT_EQ(object.args[1].vt, VT_I4);
    EXPECT_EQ(object.args[1].lVal, 1);
    EXPECT_TRUE(object.named.empty());

    static const BYTE twoTexts[] = VTS_BSTR VTS_BSTR;
    object.answer.vt = VT_EMPTY;
    driver.InvokeHelper(17, DISPATCH_METHOD, VT_EMPTY, nullptr, twoTexts, nullptr, CString(""));
    EXPECT_EQ(object.texts[0], u"<null>");  // a null string is a null BSTR
    EXPECT_EQ(object.texts[1], u"");
    EXPECT_FALSE(object.hadResult);
}

TEST(DispatchDriver, PutsPassTheValueAsTheNamedPropertyArgument)
{
    FakeDispatch object, token;
    COleDispatchDriver driver(&object, FALSE);
    static const BYTE i4[] = VTS_I4;
    driver.InvokeHelper(5, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, i4, -10);
    ASSERT_EQ(object.named.size(), 1u);
    EXPECT_EQ(object.named[0], DISPID_PROPERTYPUT);
    EXPECT_EQ(object.args[0].lVal, -10);
    static const BYTE dispatch[] = VTS_DISPATCH;
    driver.InvokeHelper(2, DISPATCH_PROPERTYPUTREF, VT_EMPTY, nullptr, dispatch, static_cast<LPDISPATCH>(&token));
    EXPECT_EQ(object.lastFlags, DISPATCH_PROPERTYPUTREF);
    EXPECT_EQ(object.named[0], DISPID_PROPERTYPUT);
    EXPECT_EQ(object.args[0].pdispVal, &token);
    EXPECT_EQ(token.refs, 1u);  // lent for the call, not kept
    driver.SetProperty(6, VT_I4, 100);
    EXPECT_EQ(object.lastDispId, 6);
    EXPECT_EQ(object.args[0].lVal, 100);
}

TEST(DispatchDriver, ResultsOfEachKind)
{
    testing_support::LocaleGuard locale("zh_CN.GBK");
    FakeDispatch object;
    COleDispatchDriver driver(&object, FALSE);
    object.answer.vt = VT_BSTR;
    object.answer.bstrVal = SysAllocString(u"白日");
    CString description;
    static const BYTE i4[] = VTS_I4;
    driver.InvokeHelper(4, DISPATCH_METHOD, VT_BSTR, &description, i4, 0);
    EXPECT_EQ(description, mfc_test::kGbkBaiRi);
    VariantClear(&object.answer);

    object.answer.vt = VT_I2;  // converted to the asked type
    object.answer.iVal = 7;
    LONG count = 0;
    driver.GetProperty(1, VT_I4, &count);
    EXPECT_EQ(count, 7);
    EXPECT_EQ(object.lastFlags, DISPATCH_PROPERTYGET);

    object.answer.vt = VT_BSTR;
    object.answer.bstrVal = SysAllocString(u"not a number");
    EXPECT_THROW(
        {
            try {
                driver.GetProperty(1, VT_I4, &count);
            } catch (COleException* e) {
                EXPECT_EQ(e->m_sc, DISP_E_TYPEMISMATCH);
                e->Delete();
                throw 1;
            }
        },
        int);
    VariantClear(&object.answer);
}

TEST(DispatchDriver, FailuresRaiseTheFrameworkExceptions)
{
    FakeDispatch tokens;
    TokensDispatch collection(&tokens);
    collection.m_bAutoRelease = FALSE;
    tokens.failure = DISP_E_EXCEPTION;
    TokensDispatch member;
    bool raised = false;
    try {
        member = TokensDispatch(collection.Item(3));
    } catch (COleDispatchException* e) {
        raised = true;
        EXPECT_EQ(e->m_strDescription, "Index out of range");
        EXPECT_EQ(e->m_strSource, "SAPI.SpObjectTokens");
        EXPECT_EQ(e->m_scError, DISP_E_BADINDEX);
        EXPECT_EQ(e->m_wCode, 0);
        char text[64];
        e->GetErrorMessage(text, sizeof text);
        EXPECT_STREQ(text, "Index out of range");
        e->Delete();
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(member.m_lpDispatch, nullptr);  // the receiver is unchanged

    tokens.failure = DISP_E_TYPEMISMATCH;
    raised = false;
    try {
        collection.Item(0);
    } catch (COleException* e) {
        raised = true;
        EXPECT_EQ(e->m_sc, DISP_E_TYPEMISMATCH);
        e->Delete();
    }
    EXPECT_TRUE(raised);

    static const BYTE unknownType[] = "\x40";
    raised = false;
    try {
        collection.InvokeHelper(0, DISPATCH_METHOD, VT_EMPTY, nullptr, unknownType, 1);
    } catch (COleException* e) {
        raised = true;
        EXPECT_EQ(e->m_sc, DISP_E_BADVARTYPE);
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

TEST(DispatchDriver, AnEmptyDriverRaisesInsteadOfCalling)
{
    TokensDispatch empty;
    bool raised = false;
    try {
        empty.Item(0);
    } catch (COleException* e) {
        raised = true;
        EXPECT_EQ(e->m_sc, E_POINTER);
        e->Delete();
    }
    EXPECT_TRUE(raised);
}

namespace {

constexpr CLSID kFakeClsid = MakeGuid("{5E1F6C70-0000-4000-8000-00000000F00D}");
FakeDispatch* createdObject = nullptr;

HRESULT CreateFake(IUnknown* outer, REFIID riid, void** object)
{
    if (outer) return CLASS_E_NOAGGREGATION;
    createdObject = new FakeDispatch;
    const HRESULT hr = createdObject->QueryInterface(riid, object);
    createdObject->Release();
    return hr;
}

}  // namespace

TEST(DispatchDriver, CreateDispatchFromClassAndProgId)
{
    ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
    CoRegisterInprocClass({kFakeClsid, "Varnel.MfcTestFake", &CreateFake});
    {
        COleDispatchDriver driver;
        ASSERT_TRUE(driver.CreateDispatch(kFakeClsid));
        ASSERT_NE(createdObject, nullptr);
        EXPECT_EQ(createdObject->refs, 1u);  // only the driver's
        driver.ReleaseDispatch();
        EXPECT_EQ(createdObject->refs, 0u);
        delete createdObject;
        createdObject = nullptr;

        ASSERT_TRUE(driver.CreateDispatch("Varnel.MfcTestFake"));
        driver.ReleaseDispatch();
        delete createdObject;
        createdObject = nullptr;

        COleException error;
        EXPECT_FALSE(driver.CreateDispatch(MakeGuid("{5E1F6C70-0000-4000-8000-00000000BEEF}"), &error));
        EXPECT_EQ(error.m_sc, REGDB_E_CLASSNOTREG);
        EXPECT_FALSE(driver.CreateDispatch("No.Such.ProgId", &error));
        EXPECT_EQ(error.m_sc, CO_E_CLASSSTRING);
        EXPECT_EQ(driver.m_lpDispatch, nullptr);
    }
    com::UnregisterInprocClass(kFakeClsid);
    CoUninitialize();
}
