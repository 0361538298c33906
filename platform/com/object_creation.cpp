#include "apartment.h"
#include "inproc_factory.h"

#include <objbase.h>

namespace {

// The class object for clsid in the contexts asked for, with one reference for the caller.
HRESULT FindClassFactory(REFCLSID clsid, DWORD clsctx, IClassFactory** factory)
{
    *factory = nullptr;
    if (!(clsctx & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER))) return REGDB_E_CLASSNOTREG;
    auto found = com::FindInprocClass(clsid);
    if (!found) return REGDB_E_CLASSNOTREG;
    *factory = NewComObject<com::InprocFactory>(found->create);
    return *factory ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsctx, LPVOID, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    IClassFactory* factory = nullptr;
    HRESULT hr = FindClassFactory(clsid, clsctx, &factory);
    if (FAILED(hr)) return hr;
    hr = factory->QueryInterface(riid, object);
    factory->Release();
    return hr;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, LPVOID* object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    IClassFactory* factory = nullptr;
    HRESULT hr = FindClassFactory(clsid, clsctx, &factory);
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}
