// Renders one speaking request into an output, in the output's format.
#pragma once

#include "cancel_token.h"
#include "markup.h"
#include "source_positions.h"
#include "spoken_events.h"

#include <sapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace speech {

// What a request's rendering tells the voice that speaks it.
struct RenderedEvent {
    // A word, a sentence, a bookmark; SPEI_TTS_PRIVATE: where a sentence's sound ended.
    SPEVENTENUM id = SPEI_UNDEFINED;
    std::size_t position = 0;  // UTF-16 units of the request's text
    std::size_t length = 0;
    std::uint64_t offset = 0;  // bytes of the output's format from the request's start
    std::string bookmark;      // UTF-8, for a bookmark
};

class RenderObserver {
public:
    // Each event, before the samples of its sound are written.
    virtual void Event(const RenderedEvent& event) = 0;
    // Before each write into the output: returns once the voice is not paused, or
    // the request is cancelled.
    virtual void WaitWhilePaused(CancelToken& cancel) = 0;

protected:
    ~RenderObserver() = default;
};

// Bytes of `format` from the start of a rendering to the native sample `sample`.
std::uint64_t OutputBytesAt(const WAVEFORMATEX& format, std::uint64_t sample);

// A synthesis's event as the caller hears of it: its text starting at byte `from` of
// the piece whose `positions` map bytes to the request's units, its first sample
// at `firstSample` of the output.
RenderedEvent RenderedFrom(const SpokenEvent& event, SourcePositions& positions, std::size_t from,
                           const WAVEFORMATEX& format, std::uint64_t firstSample);

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
// `observer` (may be null) is told the request's events and asked before each write.
HRESULT RenderRequest(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                      ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                      const std::vector<std::size_t>& chapterStarts = {}, RenderObserver* observer = nullptr);

// Where chapters begin in the text of a request spoken into `output`, as byte
// offsets into its one text piece: what the output was given for it (none for a
// request of markup, or an output that is no file).
std::vector<std::size_t> TakeChapterStarts(const std::vector<SpeechPiece>& pieces, ISequentialStream* output);

}  // namespace speech
