#include "english_voice_ranking.h"

#include <algorithm>

namespace speech {
namespace {

// bench/intelligibility on 2026-12-09: 30 sentences (347 words) rendered by narrate at
// rate 0, transcribed by pocketsphinx-en-us 0.8+5prealpha+1-15. espeak-ng's English
// voices came to 79% (en-us) to 89% (en-gb-scotland), en-gb 79.8%: far behind every
// flite voice and too close to each other to rank, so they are left out and, without
// flite, espeak-ng's own choice for the locale comes first as it always did.
constexpr RankedVoice kClearestFirst[] = {
    {"flite/cmu_us_rms", 3.2},
    {"flite/cmu_us_awb", 5.5},
    {"flite/cmu_us_kal16", 8.1},
    {"flite/cmu_us_slt", 10.4},
    {"flite/cmu_us_kal", 32.9},  // 8 kHz: the recogniser loses its consonants
};

}  // namespace

std::span<const RankedVoice> EnglishVoicesClearestFirst() { return kClearestFirst; }

bool IsEnglishTag(const std::string& languageTag) { return languageTag == "en" || languageTag.rfind("en-", 0) == 0; }

std::string ClearestEnglishVoice(const std::vector<InstalledVoice>& installed)
{
    for (const RankedVoice& ranked : kClearestFirst)
        if (std::any_of(installed.begin(), installed.end(),
                        [&](const InstalledVoice& voice) { return voice.identifier == ranked.identifier; }))
            return ranked.identifier;
    return {};
}

}  // namespace speech
