// The engine's way with long texts spoken into a file: cut at clause ends and
// rendered on every core, in order (ordered_render.h). Playback keeps the one-piece
// way: it starts at once and runs only a little ahead of what is heard anyway.
#pragma once

#include "cancel_token.h"
#include "markup.h"
#include "request_renderer.h"

#include <sapi.h>

#include <functional>
#include <vector>

namespace speech {

// Told how many UTF-16 units of the request's text are in the output so far.
using InputProgress = std::function<void(ULONG position)>;

// Renders the request in pieces when it is one text that makes more than one piece
// (longer than a piece, or with chapters starting inside it: `chapterStarts`, byte
// offsets into the text), the output is a file and the machine has more than one
// core. S_FALSE when it is none of these, and nothing was done: the caller renders
// it whole. Otherwise the result as RenderRequest's (which is never S_FALSE);
// `observer` (may be null) is told the same events as one piece would tell.
HRESULT RenderInParallel(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                         ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                         const InputProgress& progress, const std::vector<std::size_t>& chapterStarts = {},
                         RenderObserver* observer = nullptr);

}  // namespace speech
