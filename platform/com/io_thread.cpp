#include "io_thread.h"

#include "class_registrations.h"
#include "serving_apartment.h"
#include "server_link.h"
#include "server_session.h"
#include "socket_calls.h"
#include "wire_protocol.h"

#include <varnel/debug_channel.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace com::io {
namespace {

using win32::sys::UniqueFd;

// What a client may have waiting for a busy apartment; an honest client has
// one call and a few releases outstanding. More drops the client.
constexpr unsigned kMaxQueuedRequests = 4096;
constexpr std::size_t kMaxQueuedRequestBytes = 16u << 20;

struct Listener {
    UniqueFd fd;
    std::shared_ptr<Registration> registration;
};

struct Connection {
    UniqueFd fd;
    std::shared_ptr<ServerLink> link;
    std::shared_ptr<Registration> registration;  // until the client says hello
    std::shared_ptr<ServerSession> session;      // after
    std::shared_ptr<ServingApartment> apartment;
    wire::FrameCollector input;
    std::vector<std::uint8_t> sending;
    std::size_t sent = 0;
    bool done = false;
};

class Loop {
public:
    static Loop* Instance();

    void Wake()
    {
        std::uint64_t one = 1;
        [[maybe_unused]] auto written = ::write(wake_.get(), &one, sizeof one);
    }

    void Command(std::function<void()> command)
    {
        {
            std::lock_guard lock(mutex_);
            commands_.push_back(std::move(command));
        }
        Wake();
    }

    void AddListener(Listener listener) { listeners_.push_back(std::move(listener)); }
    void RemoveListener(const Registration* registration);

private:
    explicit Loop(UniqueFd wake) : wake_(std::move(wake)) {}

    void Run();
    void RunCommands();
    void Accept(Listener& listener);
    bool TurnAwayOne(Listener& listener);
    void Serve(Connection& connection, short events);
    bool Read(Connection& connection);
    bool Write(Connection& connection);
    bool OnFrame(Connection& connection, std::vector<std::uint8_t> frame);
    bool OnHello(Connection& connection, const std::vector<std::uint8_t>& frame);
    bool OnRequest(Connection& connection, const std::vector<std::uint8_t>& frame);
    void Drop(Connection& connection);

    UniqueFd wake_;
    // Kept in reserve: when the process runs out of descriptors it makes room to
    // accept a client and close it at once, so the client goes on elsewhere and
    // the listener does not stay readable, spinning this loop.
    UniqueFd reserve_{::open("/dev/null", O_RDONLY | O_CLOEXEC)};
    std::mutex mutex_;
    std::vector<std::function<void()>> commands_;
    std::vector<Listener> listeners_;
    std::vector<std::unique_ptr<Connection>> connections_;
};

void WakeLoop() { Loop::Instance()->Wake(); }

Loop* Loop::Instance()
{
    // Never destroyed: the thread runs until the process ends.
    static Loop* loop = []() -> Loop* {
        UniqueFd wake(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
        if (!wake) return nullptr;
        auto* created = new Loop(std::move(wake));
        try {
            std::thread([created] { created->Run(); }).detach();
        } catch (const std::system_error&) {
            delete created;
            return nullptr;
        }
        return created;
    }();
    return loop;
}

void Loop::RunCommands()
{
    std::vector<std::function<void()>> commands;
    {
        std::lock_guard lock(mutex_);
        commands.swap(commands_);
    }
    for (auto& command : commands) command();
}

void Loop::Run()
{
    std::vector<pollfd> fds;
    for (;;) {
        RunCommands();
        fds.clear();
        fds.push_back({wake_.get(), POLLIN, 0});
        for (auto& listener : listeners_) fds.push_back({listener.fd.get(), POLLIN, 0});
        for (auto& connection : connections_) {
            bool output = !connection->sending.empty() || connection->link->HasOutput();
            short events = static_cast<short>(POLLIN | (output ? POLLOUT : 0));
            fds.push_back({connection->fd.get(), events, 0});
        }
        if (net::Calls().poll(fds.data(), fds.size(), -1) < 0) continue;
        if (fds[0].revents) {
            std::uint64_t count;
            [[maybe_unused]] auto drained = ::read(wake_.get(), &count, sizeof count);
        }
        // Entries past the ones polled are new, made while serving these.
        std::size_t listenerCount = listeners_.size(), connectionCount = connections_.size();
        for (std::size_t i = 0; i < listenerCount && i < listeners_.size(); ++i)
            if (fds[1 + i].revents) Accept(listeners_[i]);
        for (std::size_t i = 0; i < connectionCount; ++i) Serve(*connections_[i], fds[1 + listenerCount + i].revents);
        for (auto& connection : connections_)
            if (!connection->done && connection->link->CloseRequested()) Drop(*connection);
        std::erase_if(connections_, [](const auto& connection) { return connection->done; });
    }
}

void Loop::Accept(Listener& listener)
{
    for (;;) {
        int fd = net::Calls().accept4(listener.fd.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0 && (errno == EMFILE || errno == ENFILE) && TurnAwayOne(listener)) continue;
        if (fd < 0) return;  // EAGAIN: all taken; anything else: try again when it next wakes us
        UniqueFd accepted(fd);
        // Another user's process gets nothing at all, not even a greeting.
        if (net::PeerUid(fd) != static_cast<long>(geteuid())) continue;
        auto connection = std::make_unique<Connection>();
        connection->fd = std::move(accepted);
        connection->link = std::make_shared<ServerLink>(&WakeLoop);
        connection->registration = listener.registration;
        connections_.push_back(std::move(connection));
    }
}

bool Loop::TurnAwayOne(Listener& listener)
{
    if (!reserve_) return false;
    reserve_.Reset();
    UniqueFd turnedAway(net::Calls().accept4(listener.fd.get(), nullptr, nullptr, SOCK_CLOEXEC));
    turnedAway.Reset();
    reserve_ = UniqueFd(::open("/dev/null", O_RDONLY | O_CLOEXEC));
    return true;
}

void Loop::Serve(Connection& connection, short events)
{
    if (connection.done) return;
    if ((events & (POLLIN | POLLHUP | POLLERR)) && !Read(connection)) return Drop(connection);
    if (!Write(connection)) return Drop(connection);
}

bool Loop::Read(Connection& connection)
{
    std::uint8_t buffer[64 * 1024];
    for (;;) {
        ssize_t got = net::Calls().recv(connection.fd.get(), buffer, sizeof buffer, MSG_DONTWAIT);
        if (got < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (got == 0) {  // the client is gone, however it went
            VARNEL_TRACE(Com, "client gone");
            return false;
        }
        auto status = connection.input.Add({buffer, static_cast<std::size_t>(got)},
                                           [&](std::vector<std::uint8_t> frame) {
                                               return OnFrame(connection, std::move(frame));
                                           });
        if (status != wire::FrameCollector::Status::Ok || connection.done) return false;
    }
}

bool Loop::Write(Connection& connection)
{
    for (;;) {
        if (connection.sent == connection.sending.size()) {
            connection.sending.clear();
            connection.sent = 0;
            if (!connection.link->TakeFrame(connection.sending)) return true;
        }
        ssize_t sent = net::Calls().send(connection.fd.get(), connection.sending.data() + connection.sent,
                                         connection.sending.size() - connection.sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        connection.sent += static_cast<std::size_t>(sent);
    }
}

bool Loop::OnFrame(Connection& connection, std::vector<std::uint8_t> frame)
{
    return connection.session ? OnRequest(connection, frame) : OnHello(connection, frame);
}

bool Loop::OnHello(Connection& connection, const std::vector<std::uint8_t>& frame)
{
    if (!wire::DecodeHello(frame) || !connection.registration) return false;
    auto registration = std::move(connection.registration);
    if (!registration->Claim()) return false;
    // A single-use object leaves public view now: later clients look elsewhere.
    if (registration->SingleUse()) {
        registration->RemoveSocket();
        RemoveListener(registration.get());
    }
    auto apartment = registration->serving;
    auto session = std::make_shared<ServerSession>(connection.link, apartment);
    if (!apartment->AddSession(session)) return false;
    connection.session = session;
    connection.apartment = apartment;
    return apartment->Post([session, registration] { session->Welcome(*registration); });
}

bool Loop::OnRequest(Connection& connection, const std::vector<std::uint8_t>& frame)
{
    auto request = wire::DecodeRequest(frame);
    if (!request) return false;
    auto session = connection.session;
    std::size_t bytes = frame.size();
    if (session->queued.fetch_add(1) >= kMaxQueuedRequests
        || session->queuedBytes.fetch_add(bytes) + bytes > kMaxQueuedRequestBytes)
        return false;
    return connection.apartment->Post([session, bytes, request = std::move(*request)] {
        session->queued.fetch_sub(1);
        session->queuedBytes.fetch_sub(bytes);
        session->Handle(request);
    });
}

void Loop::Drop(Connection& connection)
{
    if (connection.done) return;
    connection.done = true;
    connection.link->MarkClosed();
    connection.fd.Reset();
    if (connection.session) {
        auto session = connection.session;
        // Fails only once the apartment has ended, which released all of it.
        connection.apartment->Post([session] { session->Disconnect(); });
    }
}

void Loop::RemoveListener(const Registration* registration)
{
    std::erase_if(listeners_, [&](const Listener& listener) { return listener.registration.get() == registration; });
    for (auto& connection : connections_)
        if (connection->registration.get() == registration) Drop(*connection);
}

}  // namespace

bool Start() { return Loop::Instance() != nullptr; }

void AddListener(UniqueFd fd, std::shared_ptr<Registration> registration)
{
    auto listener = std::make_shared<Listener>(Listener{std::move(fd), std::move(registration)});
    Loop::Instance()->Command([listener] { Loop::Instance()->AddListener(std::move(*listener)); });
}

void RemoveListener(std::shared_ptr<Registration> registration)
{
    registration->RemoveSocket();
    Loop::Instance()->Command([registration] { Loop::Instance()->RemoveListener(registration.get()); });
}

}  // namespace com::io
