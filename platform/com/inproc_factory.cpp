#include "inproc_factory.h"

namespace com {

HRESULT InprocFactory::CreateInstance(IUnknown* outer, REFIID riid, void** object)
try {
    if (!object) return E_POINTER;
    *object = nullptr;
    // None of the platform's classes can be aggregated.
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(nullptr, riid, object);
} catch (...) {
    return HresultFromCaughtException();
}

// In-process servers stay loaded for the life of the process: nothing to count.
HRESULT InprocFactory::LockServer(BOOL) { return S_OK; }

}  // namespace com
