// Books and other documents as the programs read them aloud: a title, an author
// and the text in chapters, from EPUB, PDF, HTML, DOCX, ODT, FB2 and Markdown.
// The program's own library, not a Windows stand-in: it hands out plain C++
// values, and no third-party header (libzip, libxml2, poppler, md4c) leaves it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace document {

// A chapter as it is spoken: its title (from the table of contents, the outline
// or the heading) and its text, heading included. Both UTF-8; the text keeps its
// punctuation, with one blank line between blocks (headings, paragraphs, list
// items, table cells) and single blanks inside them.
struct Chapter {
    std::string title;
    std::string text;
};

struct Document {
    std::string title;   // from the document's metadata or title block; may be empty
    std::string author;  // likewise
    std::vector<Chapter> chapters;      // at least one, each with text
    std::vector<std::string> warnings;  // what was skipped without failing the document
};

enum class Kind { Text, Epub, Pdf, Html, Docx, Odt, Fb2, Markdown };

// What the file at `path` is, by its content (Markdown, which has no mark of
// its own, by its name: .md, .markdown, any letter case). Text for anything
// else, also for a file that cannot be opened: the text loader reports that.
Kind Recognise(const std::string& path);

// The most text a document may give, as for a text file.
inline constexpr std::size_t kLargestText = std::size_t{64} << 20;

struct Reading {
    bool ok = false;
    Document document;    // when ok
    std::string problem;  // when not: what is wrong, to follow the file's name
                          // ("is a damaged EPUB archive", "has no text layer: ...")
};

// Reads a document of the given kind (not Text). Never throws.
Reading Read(const std::string& path, Kind kind);

// The spoken text of the whole document: the chapters' texts, a blank line
// between them, and where each chapter starts in it (bytes).
struct SpokenText {
    std::string text;
    std::vector<std::size_t> chapterStarts;
};
SpokenText JoinChapters(const Document& document);

}  // namespace document
