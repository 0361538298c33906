#include "chapter_builder.h"

#include <cctype>

namespace document {
namespace {

// The length of a UTF-8 space character at the front of `text` (0: none), and
// whether it vanishes instead of separating words (soft hyphen, zero width).
struct SpaceAt {
    std::size_t length = 0;
    bool vanishes = false;
};

SpaceAt UnicodeSpace(std::string_view text)
{
    auto byte = [&](std::size_t i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    if (byte(0) == 0xC2 && byte(1) == 0xA0) return {2, false};  // no-break space
    if (byte(0) == 0xC2 && byte(1) == 0xAD) return {2, true};   // soft hyphen
    if (byte(0) == 0xE2 && byte(1) == 0x80) {
        unsigned third = byte(2);
        if (third >= 0x80 && third <= 0x8A) return {3, false};  // en quad .. hair space
        if (third == 0xA8 || third == 0xA9 || third == 0xAF) return {3, false};  // line, paragraph, narrow no-break
        if (third >= 0x8B && third <= 0x8D) return {3, true};   // zero width space, non-joiner, joiner
    }
    if (byte(0) == 0xE2 && byte(1) == 0x81 && byte(2) == 0x9F) return {3, false};  // medium mathematical space
    if (byte(0) == 0xE2 && byte(1) == 0x81 && byte(2) == 0xA0) return {3, true};   // word joiner
    if (byte(0) == 0xE3 && byte(1) == 0x80 && byte(2) == 0x80) return {3, false};  // ideographic space
    if (byte(0) == 0xEF && byte(1) == 0xBB && byte(2) == 0xBF) return {3, true};   // byte order mark
    return {};
}

bool IsAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

}  // namespace

std::string CollapseSpace(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool pendingBlank = false;
    for (std::size_t i = 0; i < text.size();) {
        if (IsAsciiSpace(text[i])) {
            pendingBlank = true;
            ++i;
            continue;
        }
        SpaceAt space = UnicodeSpace(text.substr(i));
        if (space.length) {
            pendingBlank = pendingBlank || !space.vanishes;
            i += space.length;
            continue;
        }
        if (pendingBlank && !out.empty()) out += ' ';
        pendingBlank = false;
        out += text[i++];
    }
    return out;
}

bool SameTitle(std::string_view a, std::string_view b)
{
    auto next = [](std::string_view s, std::size_t& i) -> int {
        while (i < s.size()) {
            unsigned char c = static_cast<unsigned char>(s[i++]);
            if (c >= 0x80) return c;
            if (std::isalnum(c)) return std::tolower(c);
        }
        return -1;
    };
    std::size_t i = 0, j = 0;
    for (;;) {
        int x = next(a, i), y = next(b, j);
        if (x != y) return false;
        if (x < 0) return true;
    }
}

void ChapterBuilder::StartChapter(std::string_view title)
{
    started_ = true;
    document_.chapters.push_back({CollapseSpace(title), {}});
}

bool ChapterBuilder::AddBlock(std::string_view text)
{
    if (tooLong_) return false;
    std::string block = CollapseSpace(text);
    if (block.empty()) return true;
    std::string& target = started_ ? document_.chapters.back().text : beforeFirst_;
    const std::size_t added = block.size() + (target.empty() ? 0 : 2);
    if (textBytes_ + added > largestText_) {
        tooLong_ = true;
        return false;
    }
    textBytes_ += added;
    if (!target.empty()) target += "\n\n";
    target += block;
    return true;
}

Document ChapterBuilder::Finish(std::string title, std::string author, std::string_view fallbackTitle)
{
    Document result;
    result.title = CollapseSpace(title);
    result.author = CollapseSpace(author);
    result.warnings = std::move(document_.warnings);
    const std::string ownTitle = result.title.empty() ? std::string(fallbackTitle) : result.title;
    if (!beforeFirst_.empty()) result.chapters.push_back({ownTitle, std::move(beforeFirst_)});
    for (Chapter& chapter : document_.chapters) {
        if (chapter.text.empty()) continue;
        if (chapter.title.empty()) chapter.title = ownTitle;
        result.chapters.push_back(std::move(chapter));
    }
    document_ = Document();
    return result;
}

SpokenText JoinChapters(const Document& document)
{
    SpokenText spoken;
    for (const Chapter& chapter : document.chapters) {
        if (!spoken.text.empty()) spoken.text += "\n\n";
        spoken.chapterStarts.push_back(spoken.text.size());
        spoken.text += chapter.text;
    }
    return spoken;
}

}  // namespace document
