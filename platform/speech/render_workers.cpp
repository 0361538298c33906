#include "render_workers.h"

#include "job_channel.h"

#include <sapi.h>

#include <varnel/debug_channel.h>
#include <varnel/errno_map.h>
#include <varnel/process_child.h>
#include <varnel/process_paths.h>
#include <varnel/process_spawn.h>
#include <varnel/syscalls.h>

#include <csignal>
#include <cerrno>
#include <vector>

#include <sys/socket.h>

namespace speech {
namespace {

HRESULT LastError() { return HRESULT_FROM_WIN32(win32::ErrorFromErrno(errno)); }

// A varnel-synth process and the channel to it.
class WorkerProcess {
public:
    WorkerProcess(win32::sys::UniqueFd channel, pid_t pid) : channel_(std::move(channel)), child_(pid) {}
    ~WorkerProcess()
    {
        if (!idle_) kill(child_.pid(), SIGKILL);
        channel_.Reset();  // an idle worker ends at the end of its channel
        child_.Wait(INFINITE);
        VARNEL_TRACE(Speech, "render worker pid %d joined%s", static_cast<int>(child_.pid()), idle_ ? "" : ", killed");
    }
    WorkerProcess(const WorkerProcess&) = delete;
    WorkerProcess& operator=(const WorkerProcess&) = delete;

    int channel() const { return channel_.get(); }
    // Whether it waits for a job (and ends by itself once its channel closes).
    void SetIdle(bool idle) { idle_ = idle; }
    // Lets an idle worker start ending before it is waited for.
    void CloseChannel() { channel_.Reset(); }

private:
    win32::sys::UniqueFd channel_;
    win32::ChildProcess child_;
    bool idle_ = false;
};

using IdleWorkers = std::vector<std::unique_ptr<WorkerProcess>>;

class ProcessWorker final : public PieceWorker {
public:
    ProcessWorker(std::unique_ptr<WorkerProcess> process, IdleWorkers& idle) : process_(std::move(process)), idle_(idle)
    {
    }

    // The outcome comes back on the channel.
    int DoneDescriptor() const override { return process_->channel(); }

    HRESULT Finish() override
    {
        const win32::Result<HRESULT, HRESULT> outcome = ReceiveOutcome(process_->channel(), &events_);
        if (!outcome || *outcome != S_OK) {
            process_.reset();
            if (!outcome) return outcome.failure();
            return FAILED(*outcome) ? *outcome : SPERR_ENGINE_FAILED;
        }
        process_->SetIdle(true);
        idle_.push_back(std::move(process_));
        return S_OK;
    }

    std::string TakeEvents() override { return std::move(events_); }

private:
    std::unique_ptr<WorkerProcess> process_;  // stopped when the piece is given up
    IdleWorkers& idle_;
    std::string events_;
};

class ProcessLauncher final : public WorkerLauncher {
public:
    explicit ProcessLauncher(std::string program) : program_(std::move(program)) {}
    ~ProcessLauncher() override
    {
        // All of them end side by side, not one after the other.
        for (auto& worker : idle_) worker->CloseChannel();
    }

    HRESULT Start(const RenderJob& job, int audio, std::unique_ptr<PieceWorker>& worker) override
    {
        std::unique_ptr<WorkerProcess> process;
        if (idle_.empty()) {
            if (HRESULT hr = StartProcess(process); FAILED(hr)) return hr;
        } else {
            process = std::move(idle_.back());
            idle_.pop_back();
            process->SetIdle(false);
        }
        // A worker that is gone shows when the piece finishes: its outcome never comes.
        SendJob(process->channel(), EncodeJob(job), audio);
        worker = std::make_unique<ProcessWorker>(std::move(process), idle_);
        return S_OK;
    }

private:
    HRESULT StartProcess(std::unique_ptr<WorkerProcess>& process)
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
        process = std::make_unique<WorkerProcess>(std::move(ours), pid);
        VARNEL_TRACE(Speech, "render worker pid %d started: %s", static_cast<int>(pid), program_.c_str());
        return S_OK;
    }

    std::string program_;
    IdleWorkers idle_;
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
