// The server's side of one client: what it holds and how its requests are
// answered (platform-internal). Everything but `queued` is used on the serving
// apartment's thread only.
#pragma once

#include "export_table.h"
#include "server_link.h"
#include "wire_protocol.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

struct IClassFactory;

namespace com {

class Registration;
class ServingApartment;

class ServerSession {
public:
    ServerSession(std::shared_ptr<ServerLink> link, std::weak_ptr<ServingApartment> apartment);
    ~ServerSession();
    ServerSession(const ServerSession&) = delete;
    ServerSession& operator=(const ServerSession&) = delete;

    // Hands the client the registration's class object, or drops the client
    // when it was revoked meanwhile.
    void Welcome(Registration& registration);
    void Handle(const wire::Request& request);
    // The client is gone (or its apartment ends): releases everything it
    // held, undoes its server locks, and drops the connection.
    void Disconnect();

    // Requests posted to the apartment and not yet run, and their size (any thread).
    std::atomic<unsigned> queued{0};
    std::atomic<std::size_t> queuedBytes{0};

private:
    wire::Reply QueryInterface(const wire::Request& request);
    wire::Reply GetTypeInfoCount(const wire::Request& request);
    wire::Reply GetTypeInfo(const wire::Request& request);
    wire::Reply GetIDsOfNames(const wire::Request& request);
    wire::Reply Invoke(const wire::Request& request);
    template <class Call>
    wire::Reply WithDispatch(const wire::Request& request, Call&& call);
    wire::Reply CreateInstance(const wire::Request& request);
    wire::Reply LockServer(const wire::Request& request);
    // A protocol error: the client is dropped.
    void Refuse();

    std::shared_ptr<ServerLink> link_;
    std::weak_ptr<ServingApartment> apartment_;
    ExportTable exports_;
    std::vector<IClassFactory*> locks_;  // one reference each, held while locked
    bool disconnected_ = false;
};

}  // namespace com
