#include "apartment.h"

#include "class_registrations.h"
#include "serving_apartment.h"

#include <objbase.h>
#include <varnel/debug_channel.h>

#include <atomic>
#include <mutex>

namespace {

constexpr DWORD kKnownFlags = COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE | COINIT_SPEED_OVER_MEMORY;

struct ThreadApartment {
    unsigned long initCount = 0;
    std::shared_ptr<com::Apartment> apartment;
    std::weak_ptr<com::Apartment> implicit;  // a runtime thread serving the multithreaded apartment
};

thread_local ThreadApartment current;

// The multithreaded apartment lives while any thread is initialised in it.
struct MultiThreaded {
    std::mutex mutex;
    std::shared_ptr<com::Apartment> apartment;
    unsigned long threads = 0;
};

MultiThreaded& Mta()
{
    static auto* mta = new MultiThreaded;  // never destroyed: threads may outlive static destruction
    return *mta;
}

std::shared_ptr<com::Apartment> JoinMta()
{
    auto& mta = Mta();
    std::lock_guard lock(mta.mutex);
    if (!mta.apartment) mta.apartment = std::make_shared<com::Apartment>(true);
    ++mta.threads;
    return mta.apartment;
}

// The apartment when this was its last thread, to be ended by the caller.
std::shared_ptr<com::Apartment> LeaveMta()
{
    auto& mta = Mta();
    std::lock_guard lock(mta.mutex);
    if (--mta.threads > 0) return nullptr;
    return std::move(mta.apartment);
}

std::atomic<std::uint64_t> nextApartmentId{1};

}  // namespace

namespace com {

Apartment::Apartment(bool multiThreaded) : id_(nextApartmentId++), multiThreaded_(multiThreaded) {}

Apartment::~Apartment() = default;

std::shared_ptr<ServingApartment> Apartment::Serving()
{
    std::lock_guard lock(mutex_);
    if (!serving_ && !ended_) serving_ = ServingApartment::Create(multiThreaded_, weak_from_this());
    return serving_;
}

void Apartment::End()
{
    std::shared_ptr<ServingApartment> serving;
    {
        std::lock_guard lock(mutex_);
        if (ended_) return;
        ended_ = true;
        serving = std::move(serving_);
    }
    RevokeApartmentClassObjects(id_);
    if (serving) serving->End();
}

bool IsThreadInitialized() { return current.initCount > 0 || !current.implicit.expired(); }

std::shared_ptr<Apartment> CurrentApartment()
{
    if (current.initCount > 0) return current.apartment;
    return current.implicit.lock();
}

void JoinApartmentImplicitly(std::weak_ptr<Apartment> apartment) { current.implicit = std::move(apartment); }

}  // namespace com

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

namespace {

HRESULT InitializeThread(DWORD coinit)
{
    bool singleThreaded = (coinit & COINIT_APARTMENTTHREADED) != 0;
    if (current.initCount == 0) {
        current.apartment = singleThreaded ? std::make_shared<com::Apartment>(false) : JoinMta();
        current.initCount = 1;
        return S_OK;
    }
    if (current.apartment->multiThreaded() == singleThreaded) return RPC_E_CHANGED_MODE;
    ++current.initCount;
    return S_FALSE;
}

}  // namespace

HRESULT CoInitializeEx(LPVOID reserved, DWORD coinit)
{
    HRESULT hr = (reserved || (coinit & ~kKnownFlags)) ? E_INVALIDARG : InitializeThread(coinit);
    VARNEL_TRACE(Com, "CoInitializeEx %s -> 0x%08X",
                 (coinit & COINIT_APARTMENTTHREADED) ? "APARTMENTTHREADED" : "MULTITHREADED",
                 static_cast<unsigned>(hr));
    return hr;
}

void CoUninitialize()
{
    if (current.initCount == 0 || --current.initCount > 0) return;
    std::shared_ptr<com::Apartment> ending = std::move(current.apartment);
    if (ending->multiThreaded()) ending = LeaveMta();
    VARNEL_TRACE(Com, "CoUninitialize: last of this thread%s",
                 ending ? ", its apartment ends" : "");
    if (ending) ending->End();
}
