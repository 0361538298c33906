#include "client_connection.h"

#include "remote_proxy.h"
#include "socket_calls.h"

#include <cerrno>
#include <cstring>

#include <sys/un.h>
#include <unistd.h>

namespace com {
namespace {

using win32::sys::UniqueFd;

std::uint32_t FrameLength(const std::uint8_t (&header)[wire::kFrameHeaderBytes])
{
    std::uint32_t length = 0;
    for (std::size_t i = 0; i < wire::kFrameHeaderBytes; ++i) length |= std::uint32_t{header[i]} << (8 * i);
    return length;
}

}  // namespace

std::shared_ptr<ClientConnection> ClientConnection::Open(const std::string& path, Outcome& outcome)
{
    outcome = Outcome::Unavailable;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return nullptr;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    UniqueFd fd(net::Calls().socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return nullptr;
    int connected;
    do {
        connected = net::Calls().connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (connected != 0 && errno == EINTR);
    if (connected != 0 && errno != EISCONN) {  // EISCONN: an interrupted try went through
        if (errno == ECONNREFUSED) outcome = Outcome::Stale;
        return nullptr;
    }
    // The server must be the user's own: another user's socket in our folder
    // is nothing to trust.
    if (net::PeerUid(fd.get()) != static_cast<long>(geteuid())) return nullptr;
    auto connection = std::make_shared<ClientConnection>(std::move(fd));
    if (!connection->Handshake()) return nullptr;
    outcome = Outcome::Connected;
    return connection;
}

ClientConnection::~ClientConnection() = default;

bool ClientConnection::Handshake()
{
    std::vector<std::uint8_t> frame;
    if (!WriteFrame(wire::EncodeHello()) || !ReadFrame(frame)) return false;
    auto welcome = wire::DecodeWelcome(frame);
    if (!welcome) return false;
    welcome_ = *welcome;
    return true;
}

bool ClientConnection::WriteFrame(const std::vector<std::uint8_t>& frame)
{
    std::lock_guard lock(writeMutex_);
    if (broken_) return false;
    if (net::SendAll(fd_.get(), frame.data(), frame.size())) return true;
    Break();
    return false;
}

bool ClientConnection::ReadFrame(std::vector<std::uint8_t>& frame)
{
    std::uint8_t header[wire::kFrameHeaderBytes];
    if (!net::ReceiveAll(fd_.get(), header, sizeof header)) return false;
    std::uint32_t length = FrameLength(header);
    if (length == 0 || length > wire::kMaxFrameBytes) return false;
    frame.resize(length);
    return net::ReceiveAll(fd_.get(), frame.data(), frame.size());
}

void ClientConnection::Break()
{
    // Wakes a call of another thread waiting for its reply; the descriptor
    // itself stays until the connection goes.
    if (!broken_.exchange(true)) ::shutdown(fd_.get(), SHUT_RDWR);
}

HRESULT ClientConnection::Call(wire::Request& request, wire::Reply& reply)
{
    std::lock_guard lock(callMutex_);
    if (broken_) return kServerUnavailable;
    request.callId = nextCallId_++;
    if (!WriteFrame(wire::EncodeRequest(request))) return kServerUnavailable;
    std::vector<std::uint8_t> frame;
    if (!ReadFrame(frame)) {
        Break();
        return kServerUnavailable;
    }
    auto decoded = wire::DecodeReply(frame, request.kind);
    if (!decoded || decoded->callId != request.callId) {
        Break();
        return RPC_E_INVALID_DATA;
    }
    reply = std::move(*decoded);
    return S_OK;
}

void ClientConnection::SendRelease(wire::ObjectId id, std::uint32_t references)
{
    wire::Request request;
    request.kind = wire::Kind::Release;
    request.object = id;
    request.number = references;
    WriteFrame(wire::EncodeRequest(request));  // a dead server has nothing left to release
}

RemoteProxy* ClientConnection::TakeProxy(wire::ObjectId id, wire::Face face)
{
    RemoteProxy* proxy;
    {
        std::lock_guard lock(proxyMutex_);
        auto found = proxies_.find(id);
        if (found != proxies_.end()) {
            proxy = found->second;
            ++proxy->references_;
            ++proxy->remoteReferences_;
        } else {
            proxy = new RemoteProxy(shared_from_this(), id);
            proxies_.emplace(id, proxy);
        }
    }
    proxy->Learn(face);
    return proxy;
}

bool ClientConnection::Owns(const RemoteProxy* proxy) const { return proxy && proxy->connection_.get() == this; }

}  // namespace com
