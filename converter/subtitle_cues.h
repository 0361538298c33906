// The cues of narrate --subtitles: one per sentence, timed where that sentence's
// speech begins and ends in the audio, from the voice's sentence events.
#pragma once

#include <sapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace narrate {

struct SubtitleCue {
    std::uint64_t startMs = 0;
    std::uint64_t endMs = 0;
    std::u16string text;
};

// The events a voice must queue for the cues.
inline constexpr ULONGLONG kSubtitleEvents = SPFEI(SPEI_SENTENCE_BOUNDARY) | SPFEI(SPEI_TTS_PRIVATE);

// Takes the voice's queued events of `text`, spoken into an output of
// `bytesPerSecond`, and makes them cues, in order.
std::vector<SubtitleCue> TakeCues(ISpVoice* voice, const std::u16string& text, DWORD bytesPerSecond);

// The cues as a SubRip file, in UTF-8.
std::string SubRipText(const std::vector<SubtitleCue>& cues);

// Where the subtitles of `audioPath` go: the same path with ".srt".
std::string SubtitlePath(const std::string& audioPath);

}  // namespace narrate
