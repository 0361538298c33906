// Attribute strings that select voices: "Name=English (America);Language=en".
#pragma once

#include "voice_catalog.h"

#include <string_view>
#include <vector>

namespace speech {

// The catalog's voices that have every required attribute, in catalog order. Known
// attributes: Name (the description) and Language (a language tag, or its prefix
// such as "en"), compared without regard to case. An unknown attribute matches nothing;
// empty or null attributes match every voice.
std::vector<VoiceInfo> VoicesMatching(const VoiceCatalog& catalog, std::u16string_view requiredAttributes);

}  // namespace speech
