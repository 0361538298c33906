#include "apartment.h"
#include "class_registrations.h"
#include "inproc_factory.h"
#include "local_activation.h"

#include <objbase.h>

namespace {

// The class object for clsid in the contexts asked for, asked for riid: one
// registered in the calling apartment (used directly), an in-process class,
// or a local server's (through a proxy).
HRESULT FindClassObject(REFCLSID clsid, DWORD clsctx, REFIID riid, void** object)
{
    if (IUnknown* registered = com::FindApartmentClassObject(clsid, clsctx)) {
        HRESULT hr = registered->QueryInterface(riid, object);
        registered->Release();
        return hr;
    }
    if (clsctx & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) {
        if (auto found = com::FindInprocClass(clsid)) {
            auto* factory = NewComObject<com::InprocFactory>(found->create);
            if (!factory) return E_OUTOFMEMORY;
            HRESULT hr = factory->QueryInterface(riid, object);
            factory->Release();
            return hr;
        }
    }
    if (clsctx & CLSCTX_LOCAL_SERVER) return com::local::GetClassObject(clsid, riid, object);
    return REGDB_E_CLASSNOTREG;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsctx, LPVOID, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    return FindClassObject(clsid, clsctx, riid, object);
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    IClassFactory* factory = nullptr;
    HRESULT hr = FindClassObject(clsid, clsctx, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}
