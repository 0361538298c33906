#include "id3_tag.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace speech {
namespace {

constexpr std::uint8_t kUtf8 = 3;
constexpr std::uint8_t kTopLevel = 2, kOrdered = 1;
constexpr std::uint32_t kNoOffset = 0xFFFFFFFF;
constexpr std::uint64_t kLargestSize = (1u << 28) - 1;  // a 28-bit "syncsafe" size

using Bytes = std::vector<std::uint8_t>;

void PutBe32(Bytes& out, std::uint32_t value)
{
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Seven bits a byte, so no size looks like a frame sync.
void PutSyncsafe(Bytes& out, std::uint64_t value)
{
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<std::uint8_t>((value >> (7 * i)) & 0x7F));
}

void PutText(Bytes& out, std::string_view text, bool terminated)
{
    out.insert(out.end(), text.begin(), text.end());
    if (terminated) out.push_back(0);
}

bool PutFrame(Bytes& out, const char* id, const Bytes& body)
{
    if (body.size() > kLargestSize) return false;
    out.insert(out.end(), id, id + 4);
    PutSyncsafe(out, body.size());
    out.push_back(0);  // no flags
    out.push_back(0);
    out.insert(out.end(), body.begin(), body.end());
    return true;
}

bool PutTextFrame(Bytes& out, const char* id, const std::string& text)
{
    if (text.empty()) return true;
    Bytes body = {kUtf8};
    PutText(body, text, false);
    return PutFrame(out, id, body);
}

std::uint32_t Milliseconds(std::uint64_t samples, std::uint32_t rate)
{
    const std::uint64_t ms = samples * 1000 / rate;
    return ms < kNoOffset ? static_cast<std::uint32_t>(ms) : kNoOffset - 1;
}

bool PutChapter(Bytes& out, const std::string& id, const std::string& title, std::uint64_t start, std::uint64_t end,
                std::uint32_t rate)
{
    Bytes body;
    PutText(body, id, true);
    PutBe32(body, Milliseconds(start, rate));
    PutBe32(body, Milliseconds(end, rate));
    PutBe32(body, kNoOffset);  // the times alone place it
    PutBe32(body, kNoOffset);
    return PutTextFrame(body, "TIT2", title) && PutFrame(out, "CHAP", body);
}

bool PutTable(Bytes& out, const std::string& id, std::uint8_t flags, const std::vector<std::string>& children)
{
    Bytes body;
    PutText(body, id, true);
    body.push_back(flags);
    body.push_back(static_cast<std::uint8_t>(children.size()));
    for (const std::string& child : children) PutText(body, child, true);
    return PutFrame(out, "CTOC", body);
}

bool PutChapters(Bytes& out, const ContainerPlan& plan)
{
    const std::vector<ChapterMark>& chapters = plan.chapters;
    if (chapters.empty()) return true;
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < chapters.size(); ++i) {
        ids.push_back("chp" + std::to_string(i + 1));
        const std::uint64_t end = i + 1 < chapters.size() ? chapters[i + 1].start : plan.samples;
        if (!PutChapter(out, ids.back(), chapters[i].title, chapters[i].start, std::max(end, chapters[i].start),
                        plan.sampleRate))
            return false;
    }
    if (ids.size() <= kChaptersPerTable) return PutTable(out, "toc", kTopLevel | kOrdered, ids);
    std::vector<std::string> tables;
    for (std::size_t first = 0; first < ids.size(); first += kChaptersPerTable) {
        tables.push_back("toc" + std::to_string(tables.size() + 1));
        const auto from = ids.begin() + static_cast<std::ptrdiff_t>(first);
        const auto to = ids.begin() + static_cast<std::ptrdiff_t>(std::min(first + kChaptersPerTable, ids.size()));
        if (!PutTable(out, tables.back(), kOrdered, std::vector<std::string>(from, to))) return false;
    }
    return tables.size() <= kChaptersPerTable && PutTable(out, "toc", kTopLevel | kOrdered, tables);
}

}  // namespace

std::optional<std::vector<std::uint8_t>> Id3Tag(const ContainerPlan& plan)
{
    Bytes frames;
    if (!PutTextFrame(frames, "TIT2", plan.tags.title) || !PutTextFrame(frames, "TPE1", plan.tags.artist)
        || !PutTextFrame(frames, "TALB", plan.tags.album) || !PutTextFrame(frames, "TRCK", plan.tags.track)
        || !PutChapters(frames, plan) || frames.size() > kLargestSize)
        return std::nullopt;
    if (frames.empty()) return Bytes{};  // a tag holds at least one frame
    Bytes tag = {'I', 'D', '3', 4, 0, 0};  // version 2.4.0, no flags
    PutSyncsafe(tag, frames.size());
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

}  // namespace speech
