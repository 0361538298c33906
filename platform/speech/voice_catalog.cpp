#include "voice_catalog.h"

#include "synthesizer.h"
#include "wide_text.h"

#include <sapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace speech {
namespace {

std::u16string TokenIdFor(const std::string& identifier)
{
    return std::u16string(SPCAT_VOICES) + u"\\Tokens\\" + Utf8ToUtf16(identifier);
}

std::string PrimaryLanguage(const std::string& tag) { return tag.substr(0, tag.find('-')); }

}  // namespace

std::string LanguageOfLocale(std::string_view locale)
{
    locale = locale.substr(0, locale.find_first_of(".@"));
    if (locale.empty() || locale == "C" || locale == "POSIX") return "en";
    std::string tag;
    for (char c : locale) tag += c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tag;
}

std::string UserLocaleName()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

VoiceCatalog VoiceCatalog::ForLanguage(const std::string& languageTag)
{
    Synthesizer& synthesizer = Synthesizer::Instance();
    std::string preferred = synthesizer.PreferredVoiceFor(languageTag);
    if (preferred.empty()) preferred = synthesizer.PreferredVoiceFor(PrimaryLanguage(languageTag));
    if (preferred.empty()) preferred = synthesizer.PreferredVoiceFor("en");

    VoiceCatalog catalog;
    for (const InstalledVoice& installed : synthesizer.Voices())
        catalog.voices_.push_back(
            {installed.identifier, Utf8ToUtf16(installed.name), installed.language, TokenIdFor(installed.identifier)});
    std::sort(catalog.voices_.begin(), catalog.voices_.end(), [&](const VoiceInfo& a, const VoiceInfo& b) {
        bool aFirst = a.identifier == preferred, bFirst = b.identifier == preferred;
        if (aFirst != bFirst) return aFirst;
        if (a.description != b.description) return a.description < b.description;
        return a.identifier < b.identifier;
    });
    return catalog;
}

const VoiceCatalog& VoiceCatalog::Instance()
{
    static const VoiceCatalog catalog = ForLanguage(LanguageOfLocale(UserLocaleName()));
    return catalog;
}

const VoiceInfo* VoiceCatalog::FindByTokenId(std::u16string_view tokenId) const
{
    for (const VoiceInfo& voice : voices_)
        if (voice.tokenId == tokenId) return &voice;
    return nullptr;
}

}  // namespace speech
