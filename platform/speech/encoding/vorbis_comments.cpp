#include "vorbis_comments.h"

#include <cstdio>
#include <string>

namespace speech {
namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutString(std::vector<std::uint8_t>& out, std::string_view text)
{
    PutU32(out, static_cast<std::uint32_t>(text.size()));
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

std::string ChapterTime(std::uint64_t start, std::uint32_t timelineRate)
{
    const std::uint64_t ms = start * 1000 / timelineRate;
    char text[32];
    std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu", static_cast<unsigned long long>(ms / 3600000),
                  static_cast<unsigned long long>(ms / 60000 % 60), static_cast<unsigned long long>(ms / 1000 % 60),
                  static_cast<unsigned long long>(ms % 1000));
    return text;
}

std::vector<std::uint8_t> VorbisComments(std::string_view vendor, const ContainerPlan& plan,
                                         std::uint32_t timelineRate)
{
    std::vector<std::string> comments;
    auto add = [&](const char* key, const std::string& value) {
        if (!value.empty()) comments.push_back(std::string(key) + "=" + value);
    };
    add("TITLE", plan.tags.title);
    add("ARTIST", plan.tags.artist);
    add("ALBUM", plan.tags.album);
    add("TRACKNUMBER", plan.tags.track);
    for (std::size_t i = 0; i < plan.chapters.size(); ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "CHAPTER%03zu", i + 1);
        comments.push_back(std::string(key) + "=" + ChapterTime(plan.chapters[i].start, timelineRate));
        comments.push_back(std::string(key) + "NAME=" + plan.chapters[i].title);
    }
    std::vector<std::uint8_t> block;
    PutString(block, vendor);
    PutU32(block, static_cast<std::uint32_t>(comments.size()));
    for (const std::string& comment : comments) PutString(block, comment);
    return block;
}

}  // namespace speech
