#include "class_registrations.h"

#include "apartment.h"
#include "io_thread.h"
#include "serving_apartment.h"
#include "socket_folder.h"
#include "trace_text.h"

#include <varnel/com_object.h>
#include <varnel/debug_channel.h>

#include <algorithm>
#include <atomic>
#include <utility>
#include <vector>

namespace com {
namespace {

class RegistrationTable {
public:
    static RegistrationTable& Instance()
    {
        static auto* table = new RegistrationTable;  // never destroyed: the I/O thread may outlive statics
        return *table;
    }

    std::mutex mutex;
    std::vector<std::shared_ptr<Registration>> entries;
};

std::atomic<DWORD> nextCookie{0};

DWORD NewCookie()
{
    DWORD cookie = ++nextCookie;
    return cookie ? cookie : ++nextCookie;  // 0 is no cookie
}

// As on Windows, a multiple-use object serves the registering process's own
// in-process requests too.
DWORD EffectiveContext(DWORD clsctx, DWORD flags)
{
    return (flags & REGCLS_MULTIPLEUSE) ? (clsctx | CLSCTX_INPROC_SERVER) : clsctx;
}

std::shared_ptr<Registration> FindLocked(REFCLSID clsid, std::uint64_t apartment, DWORD clsctx)
{
    auto& entries = RegistrationTable::Instance().entries;
    auto found = std::find_if(entries.begin(), entries.end(), [&](const auto& entry) {
        return entry->clsid == clsid && entry->apartment == apartment && (entry->clsctx & clsctx);
    });
    return found == entries.end() ? nullptr : *found;
}

void Withdraw(const std::shared_ptr<Registration>& registration)
{
    if (!registration->socketPath.empty()) io::RemoveListener(registration);
    if (IUnknown* object = registration->Revoke()) object->Release();
}

// Gives a local server's registration its serving apartment and socket.
HRESULT StartListening(const std::string& folder, Apartment& apartment, Registration& registration,
                       win32::sys::UniqueFd& listener)
{
    HRESULT hr = local::CheckSocketFolder(folder, true);
    if (FAILED(hr)) return hr;
    if (!io::Start()) return E_OUTOFMEMORY;
    registration.serving = apartment.Serving();
    if (!registration.serving) return E_OUTOFMEMORY;
    std::string name = local::SocketName(registration.clsid, registration.cookie);
    hr = local::Listen(folder, name, listener);
    if (SUCCEEDED(hr)) registration.socketPath = folder + "/" + name;
    return hr;
}

}  // namespace

Registration::Registration(REFCLSID clsid, IUnknown* object, DWORD clsctx, DWORD flags, DWORD cookie,
                           std::uint64_t apartment)
    : clsid(clsid), clsctx(clsctx), flags(flags), cookie(cookie), apartment(apartment), object_(object)
{
}

Registration::~Registration() = default;

IUnknown* Registration::AddRefObject()
{
    std::lock_guard lock(mutex_);
    if (object_) object_->AddRef();
    return object_;
}

bool Registration::Claim()
{
    std::lock_guard lock(mutex_);
    if (revoked_ || (SingleUse() && claimed_)) return false;
    claimed_ = true;
    return true;
}

IUnknown* Registration::Revoke()
{
    std::lock_guard lock(mutex_);
    revoked_ = true;
    return std::exchange(object_, nullptr);
}

void Registration::RemoveSocket()
{
    if (socketPath.empty() || socketRemoved_.exchange(true)) return;
    win32::sys::Unlink(socketPath.c_str());
}

IUnknown* FindApartmentClassObject(REFCLSID clsid, DWORD clsctx)
{
    auto apartment = CurrentApartment();
    if (!apartment) return nullptr;
    std::shared_ptr<Registration> found;
    {
        std::lock_guard lock(RegistrationTable::Instance().mutex);
        found = FindLocked(clsid, apartment->id(), clsctx);
    }
    return found ? found->AddRefObject() : nullptr;
}

void RevokeApartmentClassObjects(std::uint64_t apartment)
{
    std::vector<std::shared_ptr<Registration>> revoked;
    {
        auto& table = RegistrationTable::Instance();
        std::lock_guard lock(table.mutex);
        for (auto& entry : table.entries)
            if (entry->apartment == apartment) revoked.push_back(entry);
        std::erase_if(table.entries, [&](const auto& entry) { return entry->apartment == apartment; });
    }
    for (auto& registration : revoked) Withdraw(registration);
}

HRESULT RegisterClassObjectInFolder(const std::string& folder, REFCLSID clsid, IUnknown* object, DWORD clsctx,
                                    DWORD flags, DWORD* cookie)
{
    if (!object || !cookie) return E_INVALIDARG;
    auto apartment = CurrentApartment();
    if (!apartment) return CO_E_NOTINITIALIZED;
    *cookie = 0;
    clsctx = EffectiveContext(clsctx, flags);
    {
        std::lock_guard lock(RegistrationTable::Instance().mutex);
        if (FindLocked(clsid, apartment->id(), clsctx)) return CO_E_OBJISREG;
    }
    auto registration = std::make_shared<Registration>(clsid, object, clsctx, flags, NewCookie(), apartment->id());
    win32::sys::UniqueFd listener;
    if (clsctx & CLSCTX_LOCAL_SERVER) {
        HRESULT hr = StartListening(folder, *apartment, *registration, listener);
        if (FAILED(hr)) {
            registration->Revoke();  // its reference was never taken
            return hr;
        }
    }
    object->AddRef();
    {
        std::lock_guard lock(RegistrationTable::Instance().mutex);
        RegistrationTable::Instance().entries.push_back(registration);
    }
    if (listener) io::AddListener(std::move(listener), registration);
    *cookie = registration->cookie;
    VARNEL_TRACE(Com, "CoRegisterClassObject %s %s %s -> cookie %u%s%s", FormatGuid(clsid).c_str(),
                 ContextText(clsctx).c_str(), RegistrationFlagsText(flags).c_str(),
                 static_cast<unsigned>(registration->cookie), registration->socketPath.empty() ? "" : ", listening on ",
                 registration->socketPath.c_str());
    return S_OK;
}

}  // namespace com

HRESULT CoRegisterClassObject(REFCLSID clsid, LPUNKNOWN object, DWORD clsctx, DWORD flags, LPDWORD cookie)
try {
    HRESULT hr = com::RegisterClassObjectInFolder(com::local::SocketFolder(), clsid, object, clsctx, flags, cookie);
    if (FAILED(hr))
        VARNEL_TRACE(Com, "CoRegisterClassObject %s -> 0x%08X", FormatGuid(clsid).c_str(), static_cast<unsigned>(hr));
    return hr;
} catch (...) {
    return HresultFromCaughtException();
}

HRESULT CoRevokeClassObject(DWORD cookie)
try {
    VARNEL_TRACE(Com, "CoRevokeClassObject cookie %u", static_cast<unsigned>(cookie));
    auto apartment = com::CurrentApartment();
    if (!apartment) return CO_E_NOTINITIALIZED;
    std::shared_ptr<com::Registration> revoked;
    {
        auto& table = com::RegistrationTable::Instance();
        std::lock_guard lock(table.mutex);
        auto found = std::find_if(table.entries.begin(), table.entries.end(),
                                  [&](const auto& entry) { return entry->cookie == cookie; });
        if (found == table.entries.end()) return E_INVALIDARG;
        if ((*found)->apartment != apartment->id()) return RPC_E_WRONG_THREAD;
        revoked = *found;
        table.entries.erase(found);
    }
    com::Withdraw(revoked);
    return S_OK;
} catch (...) {
    return HresultFromCaughtException();
}
