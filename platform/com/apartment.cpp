#include "apartment.h"

#include <objbase.h>

namespace {

constexpr DWORD kKnownFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

struct ThreadApartment {
    unsigned long initCount = 0;
    bool singleThreaded = false;
};

thread_local ThreadApartment apartment;

}  // namespace

namespace com {

bool IsThreadInitialized() { return apartment.initCount > 0; }

}  // namespace com

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit)
{
    if (reserved || (coinit & ~kKnownFlags)) return E_INVALIDARG;
    bool singleThreaded = (coinit & COINIT_APARTMENTTHREADED) != 0;
    if (apartment.initCount == 0) {
        apartment.singleThreaded = singleThreaded;
        apartment.initCount = 1;
        return S_OK;
    }
    if (apartment.singleThreaded != singleThreaded) return RPC_E_CHANGED_MODE;
    ++apartment.initCount;
    return S_FALSE;
}

void CoUninitialize()
{
    if (apartment.initCount > 0) --apartment.initCount;
}
