// Small COM objects for the runtime's tests: they count their references and report
// their destruction.
#pragma once

#include <varnel/class_table.h>
#include <varnel/com_object.h>
#include <objbase.h>

#include <atomic>
#include <functional>
#include <thread>

struct ITestThing : IUnknown {
    STDMETHOD_(int, Value)() = 0;

protected:
    ~ITestThing() = default;
};
DECLARE_INTERFACE_IID(ITestThing, "{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E01}");

// A chain of three: ITestLeaf : ITestMiddle : ITestRoot : IUnknown.
struct ITestRoot : IUnknown {
    STDMETHOD_(int, Root)() = 0;

protected:
    ~ITestRoot() = default;
};
DECLARE_INTERFACE_IID(ITestRoot, "{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E02}");

struct ITestMiddle : ITestRoot {
    STDMETHOD_(int, Middle)() = 0;

protected:
    ~ITestMiddle() = default;
};
DECLARE_INTERFACE_IID(ITestMiddle, "{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E03}");
DECLARE_INTERFACE_BASE(ITestMiddle, ITestRoot);

struct ITestLeaf : ITestMiddle {
    STDMETHOD_(int, Leaf)() = 0;

protected:
    ~ITestLeaf() = default;
};
DECLARE_INTERFACE_IID(ITestLeaf, "{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E04}");
DECLARE_INTERFACE_BASE(ITestLeaf, ITestMiddle);

// Never implemented by any test object.
struct ITestMissing : IUnknown {
protected:
    ~ITestMissing() = default;
};
DECLARE_INTERFACE_IID(ITestMissing, "{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E05}");

inline std::atomic<int> g_liveTestObjects{0};

class CountingObject final : public ComObject<ITestThing> {
public:
    explicit CountingObject(int value = 7) : value_(value) { ++g_liveTestObjects; }
    ~CountingObject() override { --g_liveTestObjects; }
    STDMETHOD_(int, Value)() override { return value_; }

private:
    int value_;
};

class ChainObject final : public ComObject<ITestLeaf, ITestThing> {
public:
    ChainObject() { ++g_liveTestObjects; }
    ~ChainObject() override { --g_liveTestObjects; }
    STDMETHOD_(int, Value)() override { return 4; }
    STDMETHOD_(int, Root)() override { return 1; }
    STDMETHOD_(int, Middle)() override { return 2; }
    STDMETHOD_(int, Leaf)() override { return 3; }
};

// The count after AddRef and Release: the number of references held elsewhere.
inline ULONG RefCount(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

// Runs fn on a thread of its own, which starts with COM not initialised.
inline void RunOnNewThread(const std::function<void()>& fn)
{
    std::thread thread(fn);
    thread.join();
}

// CoInitialize for one scope of a test.
class ComScope {
public:
    explicit ComScope(DWORD coinit = COINIT_APARTMENTTHREADED) : hr_(CoInitializeEx(nullptr, coinit)) {}
    ~ComScope()
    {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    HRESULT result() const { return hr_; }

private:
    HRESULT hr_;
};

inline constexpr CLSID CLSID_TestCounting = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E10}");
inline constexpr CLSID CLSID_TestChain = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5E11}");
inline constexpr CLSID CLSID_TestUnknown = MakeGuid("{5B0C1E2A-7D44-4F0B-9E61-1A2B3C4D5EFF}");

// Registers the two test classes for the life of the object.
class TestClassesRegistered {
public:
    TestClassesRegistered()
    {
        CoRegisterInprocClass({CLSID_TestCounting, "Varnel.TestCounting", &CreateInprocInstance<CountingObject>});
        CoRegisterInprocClass({CLSID_TestChain, "Varnel.TestChain", &CreateInprocInstance<ChainObject>});
    }
    ~TestClassesRegistered()
    {
        com::UnregisterInprocClass(CLSID_TestCounting);
        com::UnregisterInprocClass(CLSID_TestChain);
    }
    TestClassesRegistered(const TestClassesRegistered&) = delete;
    TestClassesRegistered& operator=(const TestClassesRegistered&) = delete;
};

#include <oleauto.h>

// An automation object with one member: its value property (DISPID_VALUE), which
// gives a copy of the variant it was made with.
class ValueObject final : public ComObject<IDispatch> {
public:
    explicit ValueObject(const VARIANT& value)
    {
        VariantInit(&value_);
        VariantCopy(&value_, &value);
        ++g_liveTestObjects;
    }
    ~ValueObject() override
    {
        VariantClear(&value_);
        --g_liveTestObjects;
    }
    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return DISP_E_BADINDEX; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHOD(Invoke)(DISPID dispId, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override
    {
        if (dispId != DISPID_VALUE || !(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        ++valueReads;
        return result ? VariantCopy(result, &value_) : S_OK;
    }
    int valueReads = 0;

private:
    VARIANT value_;
};

inline VARIANT MakeI4(LONG value)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}

// Holds a variant and clears it at the end of the scope.
struct ScopedVariant {
    ScopedVariant() { VariantInit(&v); }
    ~ScopedVariant() { VariantClear(&v); }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    VARIANT* operator&() { return &v; }
    VARIANT v;
};
