// varnel-synth: renders one piece of text for the speech engine. The job comes
// on standard input (see render_job.h), the audio goes to standard output in the
// job's format, and the exit code tells how it went. espeak-ng keeps its state in
// globals, so the engine renders pieces side by side in processes of their own.
#include "render_job.h"

#include <varnel/syscalls.h>

#include <csignal>

#include <sys/prctl.h>

#include <string>
#include <vector>

namespace {

constexpr std::size_t kWriteBytes = 64 * 1024;

bool ReadAll(int fd, std::string& bytes)
{
    char buffer[16 * 1024];
    for (;;) {
        ssize_t got = win32::sys::Read(fd, buffer, sizeof buffer);
        if (got < 0) return false;
        if (got == 0) return true;
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
}

// Gathers the audio into large writes.
class Output {
public:
    bool Add(const std::uint8_t* bytes, std::size_t count)
    {
        pending_.insert(pending_.end(), bytes, bytes + count);
        return pending_.size() < kWriteBytes || Flush();
    }
    bool Flush()
    {
        bool written = pending_.empty() || win32::sys::WriteAll(STDOUT_FILENO, pending_.data(), pending_.size()) == 0;
        pending_.clear();
        return written;
    }

private:
    std::vector<std::uint8_t> pending_;
};

}  // namespace

int main()
{
    // A render that is given up (Ctrl+C, a crash) must not leave workers behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    std::string bytes;
    if (!ReadAll(STDIN_FILENO, bytes)) return speech::kWorkerBadJob;
    std::optional<speech::RenderJob> job = speech::DecodeJob(bytes);
    if (!job) return speech::kWorkerBadJob;
    Output output;
    speech::WorkerExit exit =
        speech::RunJob(*job, [&](const std::uint8_t* data, std::size_t count) { return output.Add(data, count); });
    if (exit == speech::kWorkerDone && !output.Flush()) exit = speech::kWorkerOutputFailed;
    return exit;
}
