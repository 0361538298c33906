#include "subtitle_cues.h"

#include <winnls.h>

#include <algorithm>
#include <cstdio>

namespace narrate {
namespace {

std::uint64_t Milliseconds(ULONGLONG offset, DWORD bytesPerSecond)
{
    return bytesPerSecond ? offset * 1000 / bytesPerSecond : 0;
}

std::string Utf8(const std::u16string& text)
{
    const int size = static_cast<int>(text.size());
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(bytes, 0)), '\0');
    if (bytes > 0) WideCharToMultiByte(CP_UTF8, 0, text.data(), size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

std::string Timestamp(std::uint64_t ms)
{
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%02llu:%02llu:%02llu,%03llu", static_cast<unsigned long long>(ms / 3600000),
                  static_cast<unsigned long long>(ms / 60000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return stamp;
}

}  // namespace

std::vector<SubtitleCue> TakeCues(ISpVoice* voice, const std::u16string& text, DWORD bytesPerSecond)
{
    std::vector<SubtitleCue> cues;
    std::vector<std::size_t> openAt;  // the cue each sentence's position began
    for (SPEVENT event{}; voice->GetEvents(1, &event, nullptr) == S_OK;) {
        const auto position = static_cast<std::size_t>(event.lParam);
        const std::size_t length = std::min<std::size_t>(event.wParam, text.size() - std::min(position, text.size()));
        const std::uint64_t at = Milliseconds(event.ullAudioStreamOffset, bytesPerSecond);
        if (event.eEventId == SPEI_SENTENCE_BOUNDARY && position < text.size()) {
            cues.push_back({at, at, text.substr(position, length)});
            openAt.push_back(position);
        } else if (event.eEventId == SPEI_TTS_PRIVATE) {
            // Where that sentence's sound ended: the latest cue of the same position.
            for (std::size_t i = cues.size(); i-- > 0;)
                if (openAt[i] == position) {
                    cues[i].endMs = std::max(at, cues[i].startMs);
                    break;
                }
        }
    }
    return cues;
}

std::string SubRipText(const std::vector<SubtitleCue>& cues)
{
    std::string srt;
    std::size_t number = 0;
    for (const SubtitleCue& cue : cues) {
        if (number) srt += '\n';
        srt += std::to_string(++number) + '\n';
        srt += Timestamp(cue.startMs) + " --> " + Timestamp(std::max(cue.endMs, cue.startMs + 1)) + '\n';
        srt += Utf8(cue.text) + '\n';
    }
    return srt;
}

std::string SubtitlePath(const std::string& audioPath)
{
    const std::size_t slash = audioPath.find_last_of('/');
    const std::size_t dot = audioPath.find_last_of('.');
    const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    return (hasExtension ? audioPath.substr(0, dot) : audioPath) + ".srt";
}

}  // namespace narrate
