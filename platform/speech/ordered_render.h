// Renders the pieces of a long text on several workers at once, each piece into a
// scratch file of its own, and appends the files to the output strictly in the
// text's order. No worker runs more than a few pieces ahead of the piece due, so
// few scratch files wait on disk, and the audio never passes through memory.
#pragma once

#include "cancel_token.h"
#include "file_output.h"
#include "render_workers.h"
#include "text_pieces.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

struct PieceLayout {
    RenderJob base;  // everything but the text and where it stands in the file
    bool startsFile = false;  // the first piece is the file's first
    std::string_view text;
    std::vector<TextSpan> spans;
    std::vector<std::size_t> chapterPieces;  // pieces that begin a chapter, ascending
};

struct OrderedRenderLimits {
    unsigned workers = 2;
    unsigned piecesAheadPerWorker = 3;  // started past the piece due
};

// Called once a piece is complete in the output, with its index.
using PieceWritten = std::function<void(std::size_t piece)>;
// Called just before a piece goes into the output, with what its worker told of it
// (the layout's job asks with tellsEvents).
using PieceSpoken = std::function<void(std::size_t piece, const std::string& events)>;

// S_OK when every piece was written, or when `cancel` fired (the workers are
// stopped then); the first failure of a worker, the output or a scratch file
// otherwise, after which nothing more is written.
HRESULT RenderInOrder(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                      IEngineFileOutput* output, CancelToken& cancel, const PieceWritten& written,
                      const PieceSpoken& spoken = nullptr);

}  // namespace speech
