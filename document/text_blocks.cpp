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
    if (tooLong_) return;
    for (char c : text) {
        if (IsSpace(c)) {
            if (text_.empty() || text_.back() == ' ') continue;
            c = ' ';
        }
        if (++total_ > largest_) {
            tooLong_ = true;
            return;
        }
        text_ += c;
    }
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

std::string FileTitle(const std::string& path) { return std::filesystem::path(path).stem().string(); }

std::string TooLongProblem() { return "has more than " + std::to_string(kLargestText >> 20) + " MiB of text, the most that is read"; }

}  // namespace document
