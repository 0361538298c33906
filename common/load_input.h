// What a run reads aloud from its input file: a document (EPUB, PDF, HTML, DOCX,
// ODT, FB2, Markdown) with its title, author and chapters, or anything else as a
// text file by the loader's rules (load_text_file.h), exactly as before.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct InputChapter {
    std::u16string title;
    std::size_t start = 0;   // UTF-16 units into InputText::text
    std::size_t length = 0;
    std::size_t words = 0;
};

struct InputText {
    std::u16string text;
    bool document = false;
    std::u16string title;   // a text file: its name without folder and extension
    std::u16string author;
    std::vector<InputChapter> chapters;  // a text file: one, the whole text
    std::vector<std::string> warnings;   // what a document's reader skipped
};

struct LoadedInput {
    bool loaded = false;
    InputText input;
    // Why a document could not be read ("<path> is a damaged EPUB archive"), in the
    // ANSI code page, for the caller to report; empty when the text loader has
    // already said why (the file did not open, its text is too long).
    std::string problem;
};

// Reads the input file. The count message ("<n> char to be conerted......", n the
// bytes of text kept: for a document, of its UTF-8 text) is printed unless
// `countMessage` is false.
LoadedInput LoadInput(const char* path, bool countMessage = true);

// The blank-separated words of a text.
std::size_t CountWords(std::u16string_view text);
