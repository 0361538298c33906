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
HRESULT RenderRequest(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                      ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel);

}  // namespace speech
