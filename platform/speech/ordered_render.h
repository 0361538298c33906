// Renders the pieces of a long text on several workers at once and writes their
// audio into the output strictly in the text's order. A piece that is ready before
// its turn waits in a bounded amount of memory and a scratch file, and no worker
// runs more than a few pieces ahead, so memory stays flat whatever the length.
#pragma once

#include "cancel_token.h"
#include "file_output.h"
#include "render_workers.h"
#include "text_pieces.h"

#include <sapi.h>

#include <functional>
#include <string_view>
#include <vector>

namespace speech {

struct PieceLayout {
    RenderJob base;  // everything but the text
    std::string_view text;
    std::vector<TextSpan> spans;
};

struct OrderedRenderLimits {
    unsigned workers = 2;
    std::size_t heldMemoryBytes = 256 * 1024;  // per piece waiting for its turn
};

// Called once a piece is complete in the output, with its index.
using PieceWritten = std::function<void(std::size_t piece)>;

// S_OK when every piece was written, or when `cancel` fired (the workers are
// stopped then); the first failure of a worker, the output or the scratch file
// otherwise, after which nothing more is written.
HRESULT RenderInOrder(const PieceLayout& layout, WorkerLauncher& launcher, const OrderedRenderLimits& limits,
                      ISequentialStream* output, IEngineFileOutput* scratch, CancelToken& cancel,
                      const PieceWritten& written);

}  // namespace speech
