#include "voice_filter.h"

#include "wide_text.h"

#include <cctype>

namespace speech {
namespace {

std::string LowerTrimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::string out(text);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

bool HasAttribute(const VoiceInfo& voice, const std::string& condition)
{
    std::size_t equals = condition.find('=');
    if (equals == std::string::npos) return false;
    std::string key = LowerTrimmed(condition.substr(0, equals));
    std::string value = LowerTrimmed(condition.substr(equals + 1));
    if (key == "name") return LowerTrimmed(Utf16ToUtf8(voice.description)) == value;
    if (key == "language") {
        std::string language = LowerTrimmed(voice.language);
        return language == value || (language.rfind(value + "-", 0) == 0);
    }
    return false;
}

}  // namespace

std::vector<VoiceInfo> VoicesMatching(const VoiceCatalog& catalog, std::u16string_view requiredAttributes)
{
    std::string required = Utf16ToUtf8(requiredAttributes);
    std::vector<std::string> conditions;
    std::size_t start = 0;
    while (start <= required.size()) {
        std::size_t end = required.find(';', start);
        if (end == std::string::npos) end = required.size();
        std::string condition = required.substr(start, end - start);
        if (!LowerTrimmed(condition).empty()) conditions.push_back(condition);
        start = end + 1;
    }
    std::vector<VoiceInfo> matching;
    for (const VoiceInfo& voice : catalog.voices()) {
        bool all = true;
        for (const std::string& condition : conditions) all = all && HasAttribute(voice, condition);
        if (all) matching.push_back(voice);
    }
    return matching;
}

}  // namespace speech
