// A local server for automation-hold's tests, started by the COM runtime with
// /Embedding. It registers its class single-use, serves one object (an IDispatch
// without members, as an automation object of the framework is), and ends once
// that object is released. What happens goes, one line each, into the file
// that HOLD_TEST_SERVER_LOG names: "started <pid>", "released", "ended".
#include "hold_test_class.h"

#include <varnel/com_object.h>
#include <oaidl.h>
#include <objbase.h>
#include <winbase.h>
#include <winuser.h>

#include <cstdio>
#include <cstdlib>

namespace {

void Log(const char* event, bool withPid = false)
{
    const char* path = std::getenv("HOLD_TEST_SERVER_LOG");
    if (!path) return;
    if (std::FILE* log = std::fopen(path, "a")) {
        if (withPid) std::fprintf(log, "%s %lu\n", event, static_cast<unsigned long>(GetCurrentProcessId()));
        else std::fprintf(log, "%s\n", event);
        std::fclose(log);
    }
}

class HeldObject final : public ComObject<IDispatch> {
public:
    ~HeldObject() override
    {
        Log("released");
        PostQuitMessage(0);
    }

    STDMETHOD(GetTypeInfoCount)(UINT* count) override
    {
        if (!count) return E_INVALIDARG;
        *count = 0;
        return S_OK;
    }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo** typeInfo) override
    {
        if (typeInfo) *typeInfo = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
    STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return DISP_E_MEMBERNOTFOUND;
    }
};

class HeldObjectFactory final : public ComObject<IClassFactory> {
public:
    STDMETHOD(CreateInstance)(IUnknown* outer, REFIID riid, void** object) override
    {
        if (object) *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return CreateComObject<HeldObject>(riid, object);
    }
    STDMETHOD(LockServer)(BOOL) override { return S_OK; }
};

}  // namespace

int main()
{
    Log("started", true);
    if (FAILED(CoInitialize(nullptr))) return 1;
    HeldObjectFactory* factory = NewComObject<HeldObjectFactory>();
    DWORD cookie = 0;
    HRESULT hr = factory ? CoRegisterClassObject(kHoldTestClsid, factory->Identity(), CLSCTX_LOCAL_SERVER,
                                                 REGCLS_SINGLEUSE, &cookie)
                         : E_OUTOFMEMORY;
    if (SUCCEEDED(hr)) {
        // Requests run inside this loop; the object's release posts WM_QUIT.
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
        CoRevokeClassObject(cookie);  // a single-use class may be gone already
    }
    if (factory) factory->Release();
    CoUninitialize();
    Log(SUCCEEDED(hr) ? "ended" : "not registered");
    return SUCCEEDED(hr) ? 0 : 1;
}
