// The class objects registered with CoRegisterClassObject (platform-internal).
#pragma once

#include <objbase.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace com {

class ServingApartment;

// One registration. Its object is touched only under its lock, so the
// runtime's threads can tell a live registration from a revoked one.
class Registration {
public:
    Registration(REFCLSID clsid, IUnknown* object, DWORD clsctx, DWORD flags, DWORD cookie, std::uint64_t apartment);
    ~Registration();
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

    const CLSID clsid;
    const DWORD clsctx;
    const DWORD flags;
    const DWORD cookie;
    const std::uint64_t apartment;
    // For a local server: where its requests run and the socket it listens on.
    std::shared_ptr<ServingApartment> serving;
    std::string socketPath;

    bool SingleUse() const { return flags == REGCLS_SINGLEUSE; }
    // The object with one more reference for the caller; null once revoked.
    IUnknown* AddRefObject();
    // Whether a client may have the object: a single-use one goes to the first
    // client only; a revoked one to nobody.
    bool Claim();
    // Withdraws the object (released by the caller, outside any lock).
    IUnknown* Revoke();
    // Takes the socket's name out of the folder, once.
    void RemoveSocket();

private:
    std::mutex mutex_;
    IUnknown* object_;
    bool revoked_ = false;
    bool claimed_ = false;
    std::atomic<bool> socketRemoved_{false};
};

// A class object registered in the calling thread's apartment for one of the
// contexts, with a reference for the caller; null when there is none.
IUnknown* FindApartmentClassObject(REFCLSID clsid, DWORD clsctx);
// Revokes every registration of an apartment that is ending.
void RevokeApartmentClassObjects(std::uint64_t apartment);
// CoRegisterClassObject with the sockets of local servers in `folder`.
HRESULT RegisterClassObjectInFolder(const std::string& folder, REFCLSID clsid, IUnknown* object, DWORD clsctx,
                                    DWORD flags, DWORD* cookie);

}  // namespace com
