// How the engine talks to a warm render worker over one stream socket: a job
// goes out with the descriptor its audio is to be written to, and after the
// worker has closed that descriptor its outcome comes back. A worker serves one
// job at a time, so outcomes come in the order of the jobs.
#pragma once

#include "render_job.h"

#include <varnel/syscalls.h>
#include <winerror.h>

#include <optional>
#include <string>

namespace speech {

// False when the worker is gone.
bool SendJob(int channel, const std::string& encodedJob, int audio);

enum class JobReceipt { Job, End, Broken };
// Waits for the next job: Job with its bytes and audio descriptor, End when the
// engine has closed the channel, Broken for anything else.
JobReceipt ReceiveJob(int channel, std::string& encodedJob, win32::sys::UniqueFd& audio);

// The outcome of a job: S_OK, or why it failed (a full disk, the engine).
bool SendOutcome(int channel, HRESULT outcome);
// Waits for the outcome of the job under way; nullopt when the worker is gone.
std::optional<HRESULT> ReceiveOutcome(int channel);

}  // namespace speech
