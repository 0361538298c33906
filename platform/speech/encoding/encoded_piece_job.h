// A render worker's job whose file is compressed: the piece is synthesized,
// encoded, and left in its scratch file as a summary and packet records.
#pragma once

#include "../render_job.h"

namespace speech {

struct EncodedPieceOutcome {
    WorkerExit exit = kWorkerDone;
    HRESULT result = S_OK;
};

// `spoken` (may be null) gets the events of the piece's own text.
EncodedPieceOutcome RenderEncodedPiece(const RenderJob& job, int fd, SpokenPiece* spoken = nullptr);

}  // namespace speech
