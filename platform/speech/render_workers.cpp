#include "render_workers.h"

#include <sapi.h>

#include <varnel/errno_map.h>
#include <varnel/process_child.h>
#include <varnel/process_paths.h>
#include <varnel/process_spawn.h>
#include <varnel/syscalls.h>

#include <csignal>
#include <cerrno>

#include <sys/socket.h>

namespace speech {
namespace {

HRESULT LastError() { return HRESULT_FROM_WIN32(win32::ErrorFromErrno(errno)); }

class ProcessWorker final : public PieceWorker {
public:
    ProcessWorker(win32::sys::UniqueFd socket, pid_t pid) : socket_(std::move(socket)), child_(pid) {}
    ~ProcessWorker() override
    {
        if (!finished_) kill(child_.pid(), SIGKILL);  // reaped by the child object
    }

    int OutputDescriptor() const override { return socket_.get(); }

    HRESULT Finish() override
    {
        finished_ = true;
        if (child_.Wait(INFINITE) != win32::WaitOutcome::Ended) return LastError();
        std::optional<DWORD> code = child_.ExitCode();
        return code && *code == kWorkerDone ? S_OK : SPERR_ENGINE_FAILED;
    }

private:
    win32::sys::UniqueFd socket_;
    win32::ChildProcess child_;
    bool finished_ = false;
};

// Sends the whole job; a worker that is gone already shows in its exit code.
void SendJob(int fd, const std::string& bytes)
{
    for (std::size_t at = 0; at < bytes.size();) {
        ssize_t sent = send(fd, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) break;
        at += static_cast<std::size_t>(sent);
    }
    shutdown(fd, SHUT_WR);
}

class ProcessLauncher final : public WorkerLauncher {
public:
    explicit ProcessLauncher(std::string program) : program_(std::move(program)) {}

    HRESULT Start(const RenderJob& job, std::unique_ptr<PieceWorker>& worker) override
    {
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return LastError();
        win32::sys::UniqueFd ours(ends[0]), theirs(ends[1]);
        win32::SpawnRequest request;
        request.path = program_;
        request.arguments = {program_};
        request.standardInput = request.standardOutput = theirs.get();
        pid_t pid = 0;
        if (int error = win32::Spawn(request, pid)) return HRESULT_FROM_WIN32(win32::ErrorFromErrno(error));
        theirs.Reset();
        SendJob(ours.get(), EncodeJob(job));
        worker = std::make_unique<ProcessWorker>(std::move(ours), pid);
        return S_OK;
    }

private:
    std::string program_;
};

}  // namespace

std::unique_ptr<WorkerLauncher> ProcessWorkers()
{
    std::optional<std::string> self = win32::ExecutablePath();
    if (!self) return nullptr;
    std::string program = self->substr(0, self->rfind('/') + 1) + kWorkerProgram;
    if (access(program.c_str(), X_OK) != 0) return nullptr;
    return std::make_unique<ProcessLauncher>(std::move(program));
}

}  // namespace speech
