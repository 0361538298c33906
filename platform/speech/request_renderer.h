// Renders one speaking request into an output, in the output's format.
#pragma once

#include "cancel_token.h"
#include "markup.h"

#include <sapi.h>

#include <string>
#include <vector>

namespace speech {

struct VoiceSettings {
    std::string voice;  // espeak-ng identifier
    int rate = 0;       // -10..10
    int volume = 100;   // 0..100
};

// How a piece of the request is said, and its gain per ten thousand.
SpeechStyle StyleOf(const SpeechPiece& piece, const VoiceSettings& settings);
int GainOf(const SpeechPiece& piece, const VoiceSettings& settings);

// S_OK when everything was written or the request was cancelled; the output's or
// the synthesizer's error otherwise. `format` must satisfy IsSupportedPcm.
// `chapterStarts` (byte offsets into the text of a request of one text piece): the
// output is told where each chapter begins (IEngineFileOutput::StartChapter).
HRESULT RenderRequest(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                      ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                      const std::vector<std::size_t>& chapterStarts = {});

// Where chapters begin in the text of a request spoken into `output`, as byte
// offsets into its one text piece: what the output was given for it (none for a
// request of markup, or an output that is no file).
std::vector<std::size_t> TakeChapterStarts(const std::vector<SpeechPiece>& pieces, ISequentialStream* output);

}  // namespace speech
