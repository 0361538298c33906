// One piece of text for a render worker: what it is told on its standard input,
// and what it does with it (synthesize, then convert into the output's format).
#pragma once

#include "encoding/audio_container.h"
#include "spoken_piece.h"
#include "synthesizer.h"

#include <mmreg.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace speech {

struct RenderJob {
    std::string voice;  // espeak-ng identifier
    SpeechStyle style;
    int gain = 10000;   // per ten thousand
    WAVEFORMATEX format{};
    // The samples as they are (Wav), or encoded for this container.
    AudioContainer container = AudioContainer::Wav;
    bool startsFile = false;   // the file's first piece
    bool hasPrevious = false;  // the piece before carries this one's first frames
    bool hasNext = false;      // it carries the first frames of the next piece, whose text follows
    bool tellsEvents = false;  // the worker sends the piece's SpokenPiece with its outcome
    std::string text;      // UTF-8
    std::string nextText;  // with hasNext
};

// A job as bytes, and back; nullopt for bytes that are no job or an unusable format.
std::string EncodeJob(const RenderJob& job);
std::optional<RenderJob> DecodeJob(std::string_view bytes);

// An encoded job starts with a header of this size, which tells the size of the
// whole (nullopt: no job's header, or one too large to be a piece of text).
inline constexpr std::size_t kJobHeaderBytes = 80;
inline constexpr std::size_t kLargestJobBytes = 16 * 1024 * 1024;
std::optional<std::size_t> EncodedJobSize(std::string_view header);

// How a worker process ends.
enum WorkerExit : int {
    kWorkerDone = 0,
    kWorkerBadJob = 2,
    kWorkerEngineFailed = 3,
    kWorkerOutputFailed = 4,
};

// Receives the output's bytes; false stops the job.
using ByteSink = std::function<bool(const std::uint8_t* bytes, std::size_t count)>;

// Synthesizes the job on a fresh copy of espeak-ng and hands over its audio in the
// job's format; `spoken` (may be null) gets the synthesis's events.
WorkerExit RunJob(const RenderJob& job, const ByteSink& sink, SpokenPiece* spoken = nullptr);

}  // namespace speech
