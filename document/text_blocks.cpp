#include "text_blocks.h"

#include "chapter_builder.h"

#include <filesystem>

namespace document {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);
// A title page holds a handful of short lines.
constexpr std::size_t kTitlePageBlocks = 8;
constexpr std::size_t kTitlePageWords = 12;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::size_t Words(std::string_view text)
{
    std::size_t words = 0;
    bool inWord = false;
    for (char c : text) {
        if (IsSpace(c)) inWord = false;
        else if (!inWord) inWord = true, ++words;
    }
    return words;
}

// The first heading, when it only repeats the document's title.
std::size_t HeadingRepeatingTitle(const std::vector<Block>& blocks, std::string_view title)
{
    if (title.empty()) return kNone;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].titleBlock || blocks[i].level == 0) continue;
        return SameTitle(blocks[i].text, title) ? i : kNone;
    }
    return kNone;
}

}  // namespace

void BlockText::Add(std::string_view text)
{
    std::size_t at = 0;
    while (at < text.size() && !tooLong_) {
        if (IsSpace(text[at])) {
            while (at < text.size() && IsSpace(text[at])) ++at;
            if (!text_.empty() && text_.back() != ' ') Append(" ");
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !IsSpace(text[end])) ++end;
        Append(text.substr(at, end - at));
        at = end;
    }
}

void BlockText::Append(std::string_view run)
{
    if (total_ + run.size() > largest_) {
        text_.append(run.substr(0, largest_ - total_));
        total_ = largest_;
        tooLong_ = true;
        DropBrokenCharacter();
        return;
    }
    text_.append(run);
    total_ += run.size();
}

// The text stops at the limit, which may fall inside a character.
void BlockText::DropBrokenCharacter()
{
    std::size_t lead = text_.size();
    while (lead > 0 && (static_cast<unsigned char>(text_[lead - 1]) & 0xC0) == 0x80) --lead;
    if (lead == 0 || static_cast<unsigned char>(text_[lead - 1]) < 0xC0) return;
    const unsigned char first = static_cast<unsigned char>(text_[lead - 1]);
    const std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : 2;
    if (text_.size() - (lead - 1) < length) text_.resize(lead - 1);
}

std::string BlockText::Take()
{
    while (!text_.empty() && text_.back() == ' ') text_.pop_back();
    std::string block = std::move(text_);
    text_.clear();
    return block;
}

bool IsTitlePage(const std::vector<Block>& blocks, std::string_view title, std::string_view author)
{
    if (blocks.empty() || blocks.size() > kTitlePageBlocks) return false;
    bool namesTheBook = false;
    for (const Block& block : blocks) {
        if (Words(block.text) > kTitlePageWords) return false;
        if (!title.empty() && SameTitle(block.text, title)) namesTheBook = true;
        if (!author.empty() && (SameTitle(block.text, author) || SameTitle(block.text, "by " + std::string(author))))
            namesTheBook = true;
    }
    return namesTheBook;
}

int TopHeadingLevel(const std::vector<Block>& blocks, std::string_view title)
{
    const std::size_t repeat = HeadingRepeatingTitle(blocks, title);
    int top = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const Block& block = blocks[i];
        if (block.level == 0 || block.titleBlock || i == repeat) continue;
        if (top == 0 || block.level < top) top = block.level;
    }
    return top;
}

FlowResult BuildFlow(const std::vector<Block>& blocks, int chapterLevel, const std::string& title,
                     const std::string& author, std::string_view fallbackTitle)
{
    const std::size_t repeat = HeadingRepeatingTitle(blocks, title);
    auto spoken = [&](std::size_t i) { return !blocks[i].titleBlock && i != repeat; };
    auto startsChapter = [&](std::size_t i) { return chapterLevel > 0 && blocks[i].level == chapterLevel && spoken(i); };

    std::size_t firstChapter = kNone;
    for (std::size_t i = 0; i < blocks.size() && firstChapter == kNone; ++i)
        if (startsChapter(i)) firstChapter = i;
    std::size_t from = 0;
    if (firstChapter != kNone) {
        std::vector<Block> front;
        for (std::size_t i = 0; i < firstChapter; ++i)
            if (spoken(i)) front.push_back(blocks[i]);
        if (IsTitlePage(front, title, author)) from = firstChapter;
    }

    ChapterBuilder builder;
    FlowResult result;
    for (std::size_t i = from; i < blocks.size(); ++i) {
        if (!spoken(i)) continue;
        if (startsChapter(i)) builder.StartChapter(blocks[i].text);
        if (!builder.AddBlock(blocks[i].text)) {
            result.tooLong = true;
            return result;
        }
    }
    result.document = builder.Finish(title, author, fallbackTitle);
    return result;
}

int LevelNumber(std::string_view text, int otherwise)
{
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    if (text.empty() || text.size() > 3) return otherwise;
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return otherwise;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string FileTitle(const std::string& path) { return std::filesystem::path(path).stem().string(); }

std::string TooLongProblem() { return "has more than " + std::to_string(kLargestText >> 20) + " MiB of text, the most that is read"; }

}  // namespace document
