// What the readers gather before chapters are made: a document's blocks in
// reading order, and the one rule set for the title block, shared by the
// formats that read in one flow (HTML, DOCX, ODT, FB2).
#pragma once

#include <varnel/document.h>

#include <string>
#include <string_view>
#include <vector>

namespace document {

struct Block {
    std::string text;
    int level = 0;            // a heading's level (1 is the top), 0 for other text
    bool titleBlock = false;  // styled or placed as the document's title
};

// A block's text as it grows: runs of white space kept as one blank, so a
// part that is mostly white space cannot fill memory; at most `largest` bytes
// over all blocks of one collector.
class BlockText {
public:
    explicit BlockText(std::size_t largest = kLargestText) : largest_(largest) {}
    void Add(std::string_view text);
    void AddBlank() { Add(" "); }
    // The block so far, and a fresh start.
    std::string Take();
    bool Empty() const { return text_.empty(); }
    bool TooLong() const { return tooLong_; }

private:
    void Append(std::string_view run);
    void DropBrokenCharacter();

    std::size_t largest_;
    std::size_t total_ = 0;
    bool tooLong_ = false;
    std::string text_;
};

// Whether the blocks before the first chapter are only a title page: few, short
// blocks, one of them the title (or the author), the rest such as the author,
// a subtitle or a date.
bool IsTitlePage(const std::vector<Block>& blocks, std::string_view title, std::string_view author);

struct FlowResult {
    bool tooLong = false;
    Document document;
};

// A document read in one flow into chapters at its headings of `chapterLevel`
// (0: none, one chapter). Title blocks, a first heading that repeats the title
// and a title page before the first chapter are left out.
FlowResult BuildFlow(const std::vector<Block>& blocks, int chapterLevel, const std::string& title,
                     const std::string& author, std::string_view fallbackTitle);

// The highest heading level among the blocks, not counting the title block
// (0 when there is no heading).
int TopHeadingLevel(const std::vector<Block>& blocks, std::string_view title);

// A heading or outline level as markup writes it: a small number, else
// `otherwise` (atoi would overflow on a long one).
int LevelNumber(std::string_view text, int otherwise);

// The file's name without folder and extension: the title of last resort.
std::string FileTitle(const std::string& path);

// "has more than 64 MiB of text, the most that is read"
std::string TooLongProblem();

}  // namespace document
