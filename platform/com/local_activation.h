// Reaching a class object of a local server from a client (platform-internal):
// one that runs now, found by its socket in the user's folder, or else one
// started from the class's LocalServer32 registry entry.
#pragma once

#include "client_connection.h"

#include <guiddef.h>

#include <chrono>
#include <memory>
#include <string>

namespace com::local {

// How long a client waits for a server it started to register its class object.
inline constexpr std::chrono::milliseconds kServerStartTimeout{30000};

// The wait in force: kServerStartTimeout unless a test shortened it.
std::chrono::milliseconds ServerStartTimeout();

// Puts a shorter wait in force for the life of the object (tests).
class ScopedServerStartTimeout {
public:
    explicit ScopedServerStartTimeout(std::chrono::milliseconds timeout);
    ~ScopedServerStartTimeout();
    ScopedServerStartTimeout(const ScopedServerStartTimeout&) = delete;
    ScopedServerStartTimeout& operator=(const ScopedServerStartTimeout&) = delete;

private:
    std::chrono::milliseconds previous_;
};

// A connection to a listening class object of the class in `folder`; sockets
// nobody listens on any more are removed on the way. Null when there is none.
std::shared_ptr<ClientConnection> ConnectToRunning(const std::string& folder, REFCLSID clsid);

// The class object as a proxy, asked for riid. REGDB_E_CLASSNOTREG when none
// runs and the registry names no server; CO_E_SERVER_EXEC_FAILURE when the
// server cannot be started, ends before it registers, or does not register in time.
HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object);

}  // namespace com::local
