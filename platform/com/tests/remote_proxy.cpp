#include "local_server_support.h"

#include "../client_connection.h"
#include "../variant_values.h"

#include <atlbase.h>
#include <scratch_dir.h>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <thread>

namespace {

using namespace local_server_test;

// The test class served from this thread; each test's client runs on a
// thread of its own while this one pumps.
class RemoteCalls : public ::testing::Test {
protected:
    void SetUp() override
    {
        factory.Attach(NewComObject<TestServerFactory>());
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
    }
    void TearDown() override
    {
        // What the clients held goes when they go: nothing of theirs lives on.
        PumpUntil([] { return g_testServerLife.live == 0; });
        EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
    }

    testing_support::IsolatedEnvironment environment{true};
    ComScope com;
    ObjectEndsPosted ends;
    CComPtr<TestServerFactory> factory;
    DWORD cookie = 0;
};

CComPtr<IDispatch> CreateRemote()
{
    CComPtr<IDispatch> object;
    EXPECT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    return object;
}

HRESULT Call(IDispatch* object, DISPID id, std::vector<VARIANT> args, VARIANT* result, EXCEPINFO* exception = nullptr,
             UINT* argErr = nullptr)
{
    DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, static_cast<UINT>(args.size()), 0};
    return object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, exception, argErr);
}

VARIANT Plain(VARTYPE vt, std::uint64_t bits)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = vt;
    std::memcpy(&v.llVal, &bits, sizeof bits);
    return v;
}

TEST_F(RemoteCalls, ValuesOfEveryCarriedTypeComeBackAsSent)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        ASSERT_TRUE(object);
        for (VARTYPE vt : {VT_EMPTY, VT_NULL, VT_I1, VT_UI1, VT_I2, VT_UI2, VT_BOOL, VT_I4, VT_UI4, VT_INT, VT_UINT,
                           VT_R4, VT_ERROR, VT_R8, VT_CY, VT_DATE, VT_I8, VT_UI8}) {
            VARIANT sent = Plain(vt, 0x8877665544332211u);
            if (vt == VT_EMPTY || vt == VT_NULL) sent.llVal = 0;
            if (vt == VT_BOOL) sent.llVal = 0, sent.boolVal = VARIANT_TRUE;
            ScopedVariant back;
            ASSERT_EQ(Call(object, kEcho, {sent}, &back), S_OK) << vt;
            EXPECT_EQ(back.v.vt, vt);
            EXPECT_EQ(std::memcmp(&back.v.llVal, &sent.llVal, com::PlainValueSize(vt)), 0) << vt;
        }
        const OLECHAR withZero[] = {u'a', 0, u'\u4e2d', u'z'};
        VARIANT text;
        text.vt = VT_BSTR;
        text.bstrVal = SysAllocStringLen(withZero, 4);
        ScopedVariant back;
        ASSERT_EQ(Call(object, kEcho, {text}, &back), S_OK);
        ASSERT_EQ(back.v.vt, VT_BSTR);
        EXPECT_EQ(std::u16string(back.v.bstrVal, SysStringLen(back.v.bstrVal)), std::u16string(withZero, 4));
        VariantClear(&text);
        VARIANT null;
        null.vt = VT_BSTR;
        null.bstrVal = nullptr;
        ScopedVariant nothing;
        ASSERT_EQ(Call(object, kEcho, {null}, &nothing), S_OK);
        EXPECT_EQ(nothing.v.vt, VT_BSTR);
        EXPECT_EQ(nothing.v.bstrVal, nullptr);
    });
}

TEST_F(RemoteCalls, ArgumentsByReferenceAreWrittenBack)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        LONG number = 21;
        VARIANT byNumber;
        byNumber.vt = VT_BYREF | VT_I4;
        byNumber.plVal = &number;
        EXPECT_EQ(Call(object, kTwice, {byNumber}, nullptr), S_OK);
        EXPECT_EQ(number, 42);

        BSTR text = SysAllocString(u"ab");
        VARIANT byText;
        byText.vt = VT_BYREF | VT_BSTR;
        byText.pbstrVal = &text;
        EXPECT_EQ(Call(object, kTwice, {byText}, nullptr), S_OK);
        EXPECT_EQ(std::u16string(text), u"abab");
        SysFreeString(text);

        ScopedVariant inner;
        inner.v.vt = VT_I2;
        VARIANT byVariant;
        byVariant.vt = VT_BYREF | VT_VARIANT;
        byVariant.pvarVal = &inner.v;
        EXPECT_EQ(Call(object, kTwice, {byVariant}, nullptr), S_OK);
        ASSERT_EQ(inner.v.vt, VT_BSTR);
        EXPECT_EQ(std::u16string(inner.v.bstrVal), u"changed");
    });
}

TEST_F(RemoteCalls, ExceptionsNamedArgumentsAndArgumentErrorsComeBack)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        EXCEPINFO exception{};
        EXPECT_EQ(Call(object, kFail, {}, nullptr, &exception), DISP_E_EXCEPTION);
        EXPECT_EQ(std::u16string(exception.bstrSource), u"TestServer");
        EXPECT_EQ(std::u16string(exception.bstrDescription), u"failed on purpose");
        EXPECT_EQ(exception.bstrHelpFile, nullptr);
        EXPECT_EQ(exception.scode, E_FAIL);
        SysFreeString(exception.bstrSource);
        SysFreeString(exception.bstrDescription);

        // Subtract(first:=10, second:=3) passed as named arguments, in reverse.
        VARIANT args[] = {MakeI4(3), MakeI4(10)};
        DISPID named[] = {1, 0};
        DISPPARAMS params{args, named, 2, 2};
        ScopedVariant difference;
        EXPECT_EQ(object->Invoke(kSubtract, IID_NULL, 0, DISPATCH_METHOD, &params, &difference, nullptr, nullptr), S_OK);
        EXPECT_EQ(difference.v.lVal, 7);

        VARIANT notANumber;
        notANumber.vt = VT_BSTR;
        notANumber.bstrVal = SysAllocString(u"x");
        UINT argErr = 99;
        EXPECT_EQ(Call(object, kSubtract, {MakeI4(1), notANumber}, nullptr, nullptr, &argErr), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, 1u);  // "x" is the first argument: the last in rgvarg
        VariantClear(&notANumber);
        EXPECT_EQ(Call(object, 999, {}, nullptr), DISP_E_MEMBERNOTFOUND);
    });
}

TEST_F(RemoteCalls, NamesAndTypeInformationAreAskedOfTheServer)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        OLECHAR echo[] = u"Echo", missing[] = u"Missing";
        LPOLESTR names[] = {echo, missing};
        DISPID ids[2] = {0, 0};
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 2, 0, ids), DISP_E_UNKNOWNNAME);
        EXPECT_EQ(ids[0], kEcho);
        EXPECT_EQ(ids[1], DISPID_UNKNOWN);
        EXPECT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, 0, ids), S_OK);
        UINT count = 5;
        EXPECT_EQ(object->GetTypeInfoCount(&count), S_OK);
        EXPECT_EQ(count, 0u);
        ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
        EXPECT_EQ(object->GetTypeInfo(0, 0, &info), DISP_E_BADINDEX);
        EXPECT_EQ(info, nullptr);
    });
}

TEST_F(RemoteCalls, TheProxyAnswersItsIdentityTheDispatchInterfacesAndNothingElse)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        CComPtr<IUnknown> identity, again;
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
        ASSERT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
        EXPECT_EQ(identity.p, again.p);
        CComPtr<IDispatch> dispatch, dispInterface;
        EXPECT_EQ(identity->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
        EXPECT_EQ(identity->QueryInterface(DIID_ITestServer, reinterpret_cast<void**>(&dispInterface)), S_OK);
        EXPECT_EQ(dispatch.p, dispInterface.p);
        for (const IID& lacking : {IID_ITestThing, IID_IClassFactory}) {
            void* none = reinterpret_cast<void*>(1);
            EXPECT_EQ(object->QueryInterface(lacking, &none), E_NOINTERFACE);
            EXPECT_EQ(none, nullptr);
        }
        // References are counted here: each AddRef and Release is answered locally.
        EXPECT_EQ(object->AddRef(), 6u);
        EXPECT_EQ(object->Release(), 5u);
    });
}

TEST_F(RemoteCalls, ObjectsTravelBothWaysAndClientObjectsAreRefused)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        ScopedVariant child;
        ASSERT_EQ(Call(object, kChild, {}, &child), S_OK);
        ASSERT_EQ(child.v.vt, VT_DISPATCH);
        HRESULT hr;
        EXPECT_EQ(ProcessIdOf(child.v.pdispVal, hr), getpid());

        VARIANT self;
        self.vt = VT_DISPATCH;
        self.pdispVal = object;
        ScopedVariant isSelf;
        EXPECT_EQ(Call(object, kIsSelf, {self}, &isSelf), S_OK);
        EXPECT_EQ(isSelf.v.boolVal, VARIANT_TRUE);
        ScopedVariant isChild;
        EXPECT_EQ(Call(child.v.pdispVal, kIsSelf, {self}, &isChild), S_OK);
        EXPECT_EQ(isChild.v.boolVal, VARIANT_FALSE);

        CComPtr<ITestThing> local;
        local.Attach(NewComObject<CountingObject>());
        VARIANT mine;
        mine.vt = VT_UNKNOWN;
        mine.punkVal = local;
        UINT argErr = 99;
        EXPECT_EQ(Call(object, kEcho, {MakeI4(1), mine}, nullptr, nullptr, &argErr), DISP_E_TYPEMISMATCH);
        EXPECT_EQ(argErr, 1u);
        EXPECT_EQ(RefCount(local), 1u);
    });
}

TEST_F(RemoteCalls, TheLastReleaseOfAProxyReleasesTheServersObject)
{
    RunClientWhilePumping([] {
        auto object = CreateRemote();
        EXPECT_EQ(g_testServerLife.live, 1);
    });
    // The client's thread is over and its proxy released: the pump sees the object go.
    PumpUntil([] { return g_testServerLife.live == 0; });
}

TEST_F(RemoteCalls, ServerLocksOfAClientThatGoesAreUndone)
{
    TestServerFactory* served = factory;
    RunClientWhilePumping([served] {
        CComPtr<IClassFactory> proxy;
        ASSERT_EQ(CoGetClassObject(CLSID_TestServer, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                   reinterpret_cast<void**>(&proxy)),
                  S_OK);
        EXPECT_EQ(proxy->LockServer(TRUE), S_OK);
        EXPECT_EQ(proxy->LockServer(TRUE), S_OK);
        EXPECT_EQ(proxy->LockServer(FALSE), S_OK);
        EXPECT_EQ(served->locks, 1);
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(proxy->CreateInstance(proxy, IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
        EXPECT_EQ(none, nullptr);
    });
    PumpUntil([served] { return served->locks == 0; });
}

TEST(RemoteCallsToADeadServer, FailWithServerUnavailable)
{
    testing_support::IsolatedEnvironment environment(true);
    ComScope com;
    CComPtr<IDispatch> proxy;
    std::promise<void> registered, ended;
    std::thread server([&] {
        ComScope mta(COINIT_MULTITHREADED);
        CComPtr<IClassFactory> factory;
        factory.Attach(NewComObject<TestServerFactory>());
        DWORD cookie = 0;
        ASSERT_EQ(CoRegisterClassObject(CLSID_TestServer, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &cookie),
                  S_OK);
        registered.set_value();
        ended.get_future().wait();  // the client holds a proxy; now the apartment ends under it
    });
    registered.get_future().wait();
    ASSERT_EQ(CoCreateInstance(CLSID_TestServer, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&proxy)),
              S_OK);
    ended.set_value();
    server.join();
    HRESULT hr;
    ProcessIdOf(proxy, hr);
    EXPECT_EQ(hr, com::kServerUnavailable);
    EXPECT_EQ(hr, static_cast<HRESULT>(0x800706BA));
    proxy.Release();
    EXPECT_EQ(g_testServerLife.live, 0);
}

}  // namespace
