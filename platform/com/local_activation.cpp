#include "local_activation.h"

#include "classes_value.h"
#include "remote_proxy.h"
#include "socket_calls.h"
#include "socket_folder.h"

#include <handleapi.h>
#include <varnel/debug_channel.h>
#include <varnel/process_calls.h>
#include <processthreadsapi.h>
#include <synchapi.h>

#include <algorithm>
#include <atomic>
#include <climits>

#include <sys/inotify.h>

namespace com::local {
namespace {

using win32::sys::UniqueFd;
using Clock = std::chrono::steady_clock;

std::atomic<std::chrono::milliseconds::rep> startTimeout{kServerStartTimeout.count()};

// Without a folder watch or a process descriptor, look again this often.
constexpr int kFallbackPollMs = 50;

class ProcessHandle {
public:
    explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
    ~ProcessHandle() { CloseHandle(handle_); }  // the platform reaps the child itself
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    bool Ended() const { return WaitForSingleObject(handle_, 0) == WAIT_OBJECT_0; }

private:
    HANDLE handle_;
};

// Watches the folder for new names: a server's socket appears by rename.
UniqueFd WatchFolder(const std::string& folder)
{
    UniqueFd watch(net::Calls().inotifyInit(IN_NONBLOCK | IN_CLOEXEC));
    if (watch && net::Calls().inotifyAddWatch(watch.get(), folder.c_str(), IN_CREATE | IN_MOVED_TO) < 0)
        watch.Reset();
    return watch;
}

void Drain(int fd)
{
    alignas(inotify_event) char events[4096];
    while (win32::sys::Read(fd, events, sizeof events) > 0) {
    }
}

// Waits for the folder to change or the process to end, at most until deadline.
void WaitForChange(const UniqueFd& watch, const UniqueFd& exited, Clock::time_point deadline)
{
    auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
    int timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
    if (!watch || !exited) timeout = std::min(timeout, kFallbackPollMs);
    pollfd fds[2]{{watch ? watch.get() : -1, POLLIN, 0}, {exited ? exited.get() : -1, POLLIN, 0}};
    net::Calls().poll(fds, 2, timeout);
    if (watch) Drain(watch.get());
}

HRESULT StartServer(const std::string& folder, REFCLSID clsid, const std::string& commandLine,
                    std::shared_ptr<ClientConnection>& connection)
{
    if (FAILED(CheckSocketFolder(folder, true))) return CO_E_SERVER_EXEC_FAILURE;
    UniqueFd watch = WatchFolder(folder);  // before the start, so no registration goes unseen
    std::string line = commandLine + " /Embedding";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    VARNEL_TRACE(Com, "server start: %s", line.c_str());
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
        VARNEL_TRACE(Com, "server start failed");
        return CO_E_SERVER_EXEC_FAILURE;
    }
    VARNEL_TRACE(Com, "server started: pid %lu", static_cast<unsigned long>(started.dwProcessId));
    CloseHandle(started.hThread);
    ProcessHandle process(started.hProcess);
    // The handle keeps the child from being reaped, so its id names it still.
    UniqueFd exited(win32::proc::Calls().pidfdOpen(static_cast<pid_t>(started.dwProcessId), 0));
    auto deadline = Clock::now() + ServerStartTimeout();
    for (;;) {
        if ((connection = ConnectToRunning(folder, clsid))) return S_OK;
        if (process.Ended() || Clock::now() >= deadline) {
            VARNEL_TRACE(Com, "server wait: %s", process.Ended() ? "ended before registering" : "timed out");
            return CO_E_SERVER_EXEC_FAILURE;
        }
        WaitForChange(watch, exited, deadline);
    }
}

}  // namespace

std::chrono::milliseconds ServerStartTimeout() { return std::chrono::milliseconds(startTimeout.load()); }

ScopedServerStartTimeout::ScopedServerStartTimeout(std::chrono::milliseconds timeout)
    : previous_(startTimeout.exchange(timeout.count()))
{
}

ScopedServerStartTimeout::~ScopedServerStartTimeout() { startTimeout = previous_.count(); }

std::shared_ptr<ClientConnection> ConnectToRunning(const std::string& folder, REFCLSID clsid)
{
    if (FAILED(CheckSocketFolder(folder, false))) return nullptr;
    for (const auto& path : ClassSockets(folder, clsid)) {
        ClientConnection::Outcome outcome;
        VARNEL_TRACE(Com, "connecting %s", path.c_str());
        if (auto connection = ClientConnection::Open(path, outcome)) {
            VARNEL_TRACE(Com, "connected: server pid %u", static_cast<unsigned>(connection->serverProcessId()));
            return connection;
        }
        VARNEL_TRACE(Com, "connect: %s", outcome == ClientConnection::Outcome::Stale ? "stale, removed" : "unavailable");
        if (outcome == ClientConnection::Outcome::Stale) win32::sys::Unlink(path.c_str());
    }
    return nullptr;
}

HRESULT GetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    std::string folder = SocketFolder();
    auto connection = ConnectToRunning(folder, clsid);
    if (!connection) {
        auto command = ClassesDefaultValue("CLSID\\" + FormatGuid(clsid) + "\\LocalServer32");
        if (!command || command->empty()) {
            VARNEL_TRACE(Com, "no server runs and no LocalServer32 entry");
            return REGDB_E_CLASSNOTREG;
        }
        VARNEL_TRACE(Com, "no server runs; starting one");
        HRESULT hr = StartServer(folder, clsid, *command, connection);
        if (FAILED(hr)) return hr;
    }
    RemoteProxy* classObject = connection->TakeProxy(connection->classObject(), wire::Face::Unknown);
    HRESULT hr = classObject->QueryInterface(riid, object);
    classObject->Release();
    return hr;
}

}  // namespace com::local
