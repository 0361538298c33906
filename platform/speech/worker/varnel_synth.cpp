// varnel-synth: renders pieces of text for the speech engine, one after another,
// for as long as the engine keeps the channel on its standard input open (see
// job_channel.h). Each piece is synthesized on a freshly loaded copy of espeak-ng,
// so a piece sounds the same whichever pieces the worker rendered before; loading
// a copy costs far less than starting a process. espeak-ng keeps its state in
// globals, so the engine renders pieces side by side in processes of their own.
#include "encoding/encoded_piece_job.h"
#include "job_channel.h"
#include "wav_file_writer.h"

#include <sapi.h>

#include <varnel/syscalls.h>

#include <cerrno>
#include <csignal>

#include <sys/prctl.h>

#include <string>
#include <vector>

namespace {

constexpr int kChannel = STDIN_FILENO;
constexpr std::size_t kWriteBytes = 64 * 1024;

// Gathers the audio into large writes and remembers why a write failed.
class Output {
public:
    explicit Output(int fd) : fd_(fd) {}
    bool Add(const std::uint8_t* bytes, std::size_t count)
    {
        pending_.insert(pending_.end(), bytes, bytes + count);
        return pending_.size() < kWriteBytes || Flush();
    }
    bool Flush()
    {
        bool written = pending_.empty() || win32::sys::WriteAll(fd_, pending_.data(), pending_.size()) == 0;
        if (!written) error_ = errno;
        pending_.clear();
        return written;
    }
    int error() const { return error_; }

private:
    int fd_;
    int error_ = 0;
    std::vector<std::uint8_t> pending_;
};

struct Rendered {
    speech::WorkerExit exit;
    HRESULT outcome;
};

Rendered Render(const speech::RenderJob& job, int audio, speech::SpokenPiece* spoken)
{
    if (job.container != speech::AudioContainer::Wav) {
        speech::EncodedPieceOutcome encoded = speech::RenderEncodedPiece(job, audio, spoken);
        return {encoded.exit, encoded.result};
    }
    Output output(audio);
    speech::WorkerExit exit = speech::RunJob(
        job, [&](const std::uint8_t* data, std::size_t count) { return output.Add(data, count); }, spoken);
    if (exit == speech::kWorkerDone && !output.Flush()) exit = speech::kWorkerOutputFailed;
    if (exit == speech::kWorkerDone) return {exit, S_OK};
    if (exit == speech::kWorkerOutputFailed) return {exit, speech::HresultFromErrno(output.error())};
    return {exit, SPERR_ENGINE_FAILED};
}

}  // namespace

int main()
{
    // A render that is given up (Ctrl+C, a crash) must not leave workers behind.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (;;) {
        std::string bytes;
        win32::sys::UniqueFd audio;
        speech::JobReceipt receipt = speech::ReceiveJob(kChannel, bytes, audio);
        if (receipt == speech::JobReceipt::End) return speech::kWorkerDone;
        std::optional<speech::RenderJob> job;
        if (receipt == speech::JobReceipt::Job) job = speech::DecodeJob(bytes);
        speech::SpokenPiece spoken;
        const bool tellsEvents = job && job->tellsEvents;
        Rendered rendered = job ? Render(*job, audio.get(), tellsEvents ? &spoken : nullptr)
                                : Rendered{speech::kWorkerBadJob, SPERR_ENGINE_FAILED};
        audio.Reset();  // all of the audio is in the file before the outcome goes out
        const std::string events = tellsEvents ? speech::EncodeSpokenPiece(spoken) : std::string();
        // A worker that failed once is not trusted with another piece.
        if (!speech::SendOutcome(kChannel, rendered.outcome, events) || rendered.exit != speech::kWorkerDone)
            return rendered.exit;
    }
}
