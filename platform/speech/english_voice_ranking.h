// Which English voice the engine offers first: the clearest installed one, by the
// word errors a recogniser makes on it (bench/intelligibility measures them).
#pragma once

#include "voice_engine.h"

#include <span>
#include <string>
#include <vector>

namespace speech {

struct RankedVoice {
    const char* identifier;
    double wordErrorPercent;  // bench/intelligibility's figure
};

// The measured voices, clearest first.
std::span<const RankedVoice> EnglishVoicesClearestFirst();

// "en", "en-gb", "en-us"...: the tags the ranking decides for.
bool IsEnglishTag(const std::string& languageTag);

// The best-ranked voice among `installed`, "" when none of them is ranked.
std::string ClearestEnglishVoice(const std::vector<InstalledVoice>& installed);

}  // namespace speech
