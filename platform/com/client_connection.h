// A client's connection to one class object of a local server, and the
// proxies of the objects it holds through it (platform-internal).
#pragma once

#include "wire_protocol.h"

#include <varnel/syscalls.h>
#include <winbase.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace com {

class RemoteProxy;

// What the calls of a server that is gone fail with.
inline constexpr HRESULT kServerUnavailable = HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE);

class ClientConnection : public std::enable_shared_from_this<ClientConnection> {
public:
    enum class Outcome { Connected, Stale, Unavailable };

    // Connects to the socket at `path` and says hello. Stale: nothing listens
    // there (a server that died without removing it). Unavailable: it is
    // another user's, gone, single-use and taken already, or not speaking
    // this protocol.
    static std::shared_ptr<ClientConnection> Open(const std::string& path, Outcome& outcome);

    explicit ClientConnection(win32::sys::UniqueFd fd) : fd_(std::move(fd)) {}
    ~ClientConnection();
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    std::uint32_t serverProcessId() const { return welcome_.processId; }
    wire::ObjectId classObject() const { return welcome_.classObject; }

    // Sends the request and waits for its reply. Fails with kServerUnavailable
    // once the server is gone, RPC_E_INVALID_DATA for a reply that makes no
    // sense (the connection is dropped then).
    HRESULT Call(wire::Request& request, wire::Reply& reply);
    // Gives back references the client's proxy held; never waits for a reply.
    void SendRelease(wire::ObjectId id, std::uint32_t references);

    // The proxy of an object the server handed out (one reference travelled
    // with it), with one reference for the caller.
    RemoteProxy* TakeProxy(wire::ObjectId id, wire::Face face);
    // True when `proxy` is a proxy of this connection.
    bool Owns(const RemoteProxy* proxy) const;

private:
    friend class RemoteProxy;

    bool Handshake();
    bool WriteFrame(const std::vector<std::uint8_t>& frame);
    bool ReadFrame(std::vector<std::uint8_t>& frame);
    void Break();

    win32::sys::UniqueFd fd_;
    wire::Welcome welcome_;
    std::mutex callMutex_;   // one call at a time: replies come in order
    std::mutex writeMutex_;  // whole frames, calls and releases alike
    std::atomic<bool> broken_{false};
    std::uint32_t nextCallId_ = 1;
    mutable std::mutex proxyMutex_;  // the map and every proxy's counts
    std::map<wire::ObjectId, RemoteProxy*> proxies_;
};

}  // namespace com
