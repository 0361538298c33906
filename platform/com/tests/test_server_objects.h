// The class of the local-server tests: an automation object whose members
// exercise what crosses a connection, and its class object. Shared by the
// tests and the com_test_server program.
#pragma once

#include <varnel/com_object.h>
#include <oleauto.h>

#include <atomic>
#include <functional>
#include <string>
#include <string_view>

#include <unistd.h>

inline constexpr CLSID CLSID_TestServer = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E30}");
// A dispatch interface the object answers with its IDispatch, as automation servers do.
inline constexpr IID DIID_ITestServer = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E31}");

enum TestServerMember : DISPID {
    kProcessId = 1,  // property get: this process's id
    kEcho,           // returns its argument
    kTwice,          // doubles its by-reference argument (I4, BSTR; a VARIANT becomes "changed")
    kFail,           // raises an exception
    kChild,          // returns a new object of the class
    kIsSelf,         // whether its object argument is this very object
    kSubtract,       // first - second, named arguments allowed
};

// Counts the live objects; `onDestroyed` runs on the thread that releases the last reference.
struct TestServerLife {
    std::atomic<int> live{0};
    std::function<void()> onDestroyed;
};
inline TestServerLife g_testServerLife;

class TestServerObject final : public ComObject<IDispatch> {
public:
    TestServerObject() { ++g_testServerLife.live; }
    ~TestServerObject() override
    {
        --g_testServerLife.live;
        if (g_testServerLife.onDestroyed) g_testServerLife.onDestroyed();
    }

    STDMETHOD(QueryInterface)(REFIID riid, void** object) override
    {
        if (object && riid == DIID_ITestServer) {
            *object = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return ComObject<IDispatch>::QueryInterface(riid, object);
    }
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** typeInfo) override
    {
        if (typeInfo) *typeInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        static constexpr std::pair<std::u16string_view, DISPID> kNames[] = {
            {u"ProcessId", kProcessId}, {u"Echo", kEcho},     {u"Twice", kTwice},      {u"Fail", kFail},
            {u"Child", kChild},         {u"IsSelf", kIsSelf}, {u"Subtract", kSubtract},
        };
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const auto& [name, id] : kNames)
                if (name == names[i]) ids[i] = id;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                      UINT* argErr) override
    {
        switch (id) {
        case kProcessId: return SetI4(result, static_cast<LONG>(getpid()));
        case kEcho: return params->cArgs == 1 && result ? VariantCopyInd(result, &params->rgvarg[0]) : DISP_E_BADPARAMCOUNT;
        case kTwice: return Twice(params);
        case kFail:
            if (exception) {
                *exception = EXCEPINFO{};
                exception->bstrSource = SysAllocString(u"TestServer");
                exception->bstrDescription = SysAllocString(u"failed on purpose");
                exception->scode = E_FAIL;
            }
            return DISP_E_EXCEPTION;
        case kChild: {
            if (!result) return E_POINTER;
            result->vt = VT_DISPATCH;
            result->pdispVal = NewComObject<TestServerObject>();
            return S_OK;
        }
        case kIsSelf: {
            VARIANT arg;
            HRESULT hr = DispGetParam(params, 0, VT_UNKNOWN, &arg, argErr);
            if (FAILED(hr)) return hr;
            bool self = arg.punkVal == Identity();
            VariantClear(&arg);
            if (result) {
                result->vt = VT_BOOL;
                result->boolVal = self ? VARIANT_TRUE : VARIANT_FALSE;
            }
            return S_OK;
        }
        case kSubtract: {
            VARIANT a, b;
            HRESULT hr = DispGetParam(params, 0, VT_I4, &a, argErr);
            if (SUCCEEDED(hr)) hr = DispGetParam(params, 1, VT_I4, &b, argErr);
            return FAILED(hr) ? hr : SetI4(result, a.lVal - b.lVal);
        }
        default: return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    static HRESULT SetI4(VARIANT* result, LONG value)
    {
        if (result) {
            result->vt = VT_I4;
            result->lVal = value;
        }
        return S_OK;
    }

    static HRESULT Twice(DISPPARAMS* params)
    {
        if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
        VARIANT& arg = params->rgvarg[0];
        if (arg.vt == (VT_BYREF | VT_I4)) {
            *arg.plVal *= 2;
        } else if (arg.vt == (VT_BYREF | VT_BSTR)) {
            std::u16string text(*arg.pbstrVal ? *arg.pbstrVal : u"", SysStringLen(*arg.pbstrVal));
            text += text;
            SysFreeString(*arg.pbstrVal);
            *arg.pbstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        } else if (arg.vt == (VT_BYREF | VT_VARIANT)) {
            VariantClear(arg.pvarVal);
            arg.pvarVal->vt = VT_BSTR;
            arg.pvarVal->bstrVal = SysAllocString(u"changed");
        } else {
            return DISP_E_TYPEMISMATCH;
        }
        return S_OK;
    }
};

class TestServerFactory final : public ComObject<IClassFactory> {
public:
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateComObject<TestServerObject>(riid, object);
    }
    STDMETHOD(LockServer)(BOOL lock) override
    {
        locks += lock ? 1 : -1;
        return S_OK;
    }
    std::atomic<int> locks{0};
};
