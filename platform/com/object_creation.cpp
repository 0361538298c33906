#include "apartment.h"
#include "class_registrations.h"
#include "inproc_factory.h"
#include "local_activation.h"
#include "trace_text.h"

#include <objbase.h>
#include <varnel/com_object.h>
#include <varnel/debug_channel.h>

namespace {

// The class object for clsid in the contexts asked for, asked for riid: one
// registered in the calling apartment (used directly), an in-process class,
// or a local server's (through a proxy).
HRESULT FindClassObject(REFCLSID clsid, DWORD clsctx, REFIID riid, void** object)
{
    if (IUnknown* registered = com::FindApartmentClassObject(clsid, clsctx)) {
        VARNEL_TRACE(Com, "%s -> registered in this apartment", FormatGuid(clsid).c_str());
        HRESULT hr = registered->QueryInterface(riid, object);
        registered->Release();
        return hr;
    }
    if (clsctx & (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER)) {
        if (auto found = com::FindInprocClass(clsid)) {
            VARNEL_TRACE(Com, "%s -> in-process class", FormatGuid(clsid).c_str());
            auto* factory = NewComObject<com::InprocFactory>(found->create);
            if (!factory) return E_OUTOFMEMORY;
            HRESULT hr = factory->QueryInterface(riid, object);
            factory->Release();
            return hr;
        }
    }
    if (clsctx & CLSCTX_LOCAL_SERVER) {
        VARNEL_TRACE(Com, "%s -> local server", FormatGuid(clsid).c_str());
        return com::local::GetClassObject(clsid, riid, object);
    }
    VARNEL_TRACE(Com, "%s -> no class in these contexts", FormatGuid(clsid).c_str());
    return REGDB_E_CLASSNOTREG;
}

HRESULT CreateThroughClassObject(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, void** object)
{
    IClassFactory* factory = nullptr;
    HRESULT hr = FindClassObject(clsid, clsctx, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    if (FAILED(hr)) return hr;
    hr = factory->CreateInstance(outer, riid, object);
    factory->Release();
    return hr;
}

}  // namespace

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsctx, LPVOID, REFIID riid, LPVOID* object)
try {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    VARNEL_TRACE(Com, "CoGetClassObject %s %s", FormatGuid(clsid).c_str(), com::ContextText(clsctx).c_str());
    HRESULT hr = FindClassObject(clsid, clsctx, riid, object);
    VARNEL_TRACE(Com, "CoGetClassObject %s -> 0x%08X", FormatGuid(clsid).c_str(), static_cast<unsigned>(hr));
    return hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsctx, REFIID riid, LPVOID* object)
try {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!com::IsThreadInitialized()) return CO_E_NOTINITIALIZED;
    VARNEL_TRACE(Com, "CoCreateInstance %s %s", FormatGuid(clsid).c_str(), com::ContextText(clsctx).c_str());
    HRESULT hr = CreateThroughClassObject(clsid, outer, clsctx, riid, object);
    VARNEL_TRACE(Com, "CoCreateInstance %s -> 0x%08X", FormatGuid(clsid).c_str(), static_cast<unsigned>(hr));
    return hr;
} catch (...) {
    return HresultFromCaughtException();
}
