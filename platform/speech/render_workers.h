// Where the pieces of a long text are rendered side by side: each piece on a
// fresh copy of espeak-ng of its own (the library keeps its state in globals),
// in worker processes that each render one piece at a time.
#pragma once

#include "render_job.h"

#include <winerror.h>

#include <memory>
#include <string>

namespace speech {

// A piece being rendered into the file its launcher was given.
class PieceWorker {
public:
    virtual ~PieceWorker() = default;  // stops a worker that still runs
    // Becomes readable once the piece is done, or the worker is gone.
    virtual int DoneDescriptor() const = 0;
    // Once done: S_OK when the whole piece is in its file, the failure otherwise.
    virtual HRESULT Finish() = 0;
    // After Finish: the piece's events when its job asked for them (spoken_piece.h).
    virtual std::string TakeEvents() { return {}; }
};

class WorkerLauncher {
public:
    virtual ~WorkerLauncher() = default;
    // Starts rendering `job` into the empty file `audio`, which stays the caller's.
    virtual HRESULT Start(const RenderJob& job, int audio, std::unique_ptr<PieceWorker>& worker) = 0;
};

// Worker processes running the varnel-synth program that lies beside the running
// program; nullptr when there is none. A process that has rendered a piece well
// takes the next one; the processes end with the launcher.
std::unique_ptr<WorkerLauncher> ProcessWorkers();
// The program a worker process runs.
inline constexpr const char* kWorkerProgram = "varnel-synth";

}  // namespace speech
