// How the engine talks to a warm render worker over one stream socket: a job
// goes out with the descriptor its audio is to be written to, and after the
// worker has closed that descriptor its outcome comes back. A worker serves one
// job at a time, so outcomes come in the order of the jobs.
#pragma once

#include "render_job.h"

#include <varnel/result.h>
#include <varnel/syscalls.h>
#include <winerror.h>

#include <string>
#include <string_view>

namespace speech {

// False when the worker is gone.
bool SendJob(int channel, const std::string& encodedJob, int audio);

enum class JobReceipt { Job, End, Broken };
// Waits for the next job: Job with its bytes and audio descriptor, End when the
// engine has closed the channel, Broken for anything else.
JobReceipt ReceiveJob(int channel, std::string& encodedJob, win32::sys::UniqueFd& audio);

// The outcome of a job: S_OK, or why it failed (a full disk, the engine), and the
// piece's events when the job asked for them (spoken_piece.h).
bool SendOutcome(int channel, HRESULT outcome, std::string_view events = {});
// Waits for the outcome of the job under way: the worker's result for the job,
// or the failure SPERR_ENGINE_FAILED when the worker is gone or says nothing
// that makes sense. `events` (may be null) gets what came with it.
win32::Result<HRESULT, HRESULT> ReceiveOutcome(int channel, std::string* events = nullptr);
// The most event bytes an outcome may carry.
inline constexpr std::size_t kLargestEventBytes = 256 * 1024 * 1024;

}  // namespace speech
