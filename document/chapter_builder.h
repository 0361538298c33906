// Gathers a document's text, block by block, into chapters: every reader hands
// its blocks and its top-level entries here, so all formats share one idea of
// what a chapter is and of how its text is laid out.
#pragma once

#include <varnel/document.h>

#include <string>
#include <string_view>

namespace document {

class ChapterBuilder {
public:
    explicit ChapterBuilder(std::size_t largestText = kLargestText) : largestText_(largestText) {}

    // A top-level entry of the table of contents, the outline or the headings:
    // the blocks from here on belong to a chapter of this title.
    void StartChapter(std::string_view title);
    // A heading, paragraph, list item or cell: white space inside it becomes
    // single blanks; an empty block is ignored. False once the text has passed
    // the largest size (the reader stops then and reports it).
    bool AddBlock(std::string_view text);
    bool TooLong() const { return tooLong_; }

    // The chapters, with what came before the first entry as a chapter of its own
    // (titled `title`, else `fallbackTitle`) when it has words; a document without
    // entries is one chapter so titled. Chapters without text are left out.
    Document Finish(std::string title, std::string author, std::string_view fallbackTitle);

private:
    std::size_t largestText_;
    std::size_t textBytes_ = 0;
    bool tooLong_ = false;
    bool started_ = false;  // an entry has been seen
    std::string beforeFirst_;
    Document document_;
};

// White space (blanks, tabs, line ends, no-break and other Unicode spaces)
// collapsed to single blanks, none at either end.
std::string CollapseSpace(std::string_view text);
// Whether two titles say the same, ignoring case, white space and punctuation
// (a first heading that only repeats the document's title).
bool SameTitle(std::string_view a, std::string_view b);

}  // namespace document
