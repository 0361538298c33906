// The installed voices as the engine lists them: the engine's preferred voice for the
// user's locale language first (for English the clearest installed one, see
// english_voice_ranking.h), then by description, the same in every process.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

struct VoiceInfo {
    std::string identifier;     // espeak-ng's voice file name
    std::u16string description;  // e.g. u"English (Great Britain)"
    std::string language;        // e.g. "en-gb"
    std::u16string tokenId;      // SPCAT_VOICES + "\Tokens\" + identifier
};

class VoiceCatalog {
public:
    // The catalog for this process's locale, built once.
    static const VoiceCatalog& Instance();
    // A catalog for a given locale language tag ("en", "zh-cn"), for tests.
    static VoiceCatalog ForLanguage(const std::string& languageTag);

    const std::vector<VoiceInfo>& voices() const { return voices_; }
    // The voice a new voice object speaks with (the first one), or null when none.
    const VoiceInfo* DefaultVoice() const { return voices_.empty() ? nullptr : &voices_.front(); }
    const VoiceInfo* FindByTokenId(std::u16string_view tokenId) const;

private:
    std::vector<VoiceInfo> voices_;
};

// The language of a locale name: "zh_CN.GBK" -> "zh-cn"; "en" for C, POSIX and none.
std::string LanguageOfLocale(std::string_view locale);
// The locale that names the user's language: LC_ALL, LC_MESSAGES, LANG (first set wins).
std::string UserLocaleName();

}  // namespace speech
