// XHTML and HTML into blocks: the body's text without markup, scripts,
// styles, images, page-break markers, tables of contents, ruby annotations and
// marked footnotes. Used for EPUB's spine files and for HTML files.
#pragma once

#include "markup_parser.h"
#include "text_blocks.h"

#include <map>
#include <set>
#include <string>

namespace document {

struct XhtmlPage {
    std::vector<Block> blocks;  // headings carry their level
    // Each wanted id that was found: the index of the first block after it
    // (the block it stood in is split there).
    std::map<std::string, std::size_t, std::less<>> anchors;
    std::string title;   // <title>
    std::string author;  // <meta name="author">, several joined by ", "
    bool titlePage = false;  // marked as one (epub:type titlepage)
    bool tooLong = false;    // its text passed the limit; the blocks stop there
};

struct XhtmlReading {
    MarkupResult markup;
    XhtmlPage page;
};

// Reads the part as XML, or, when that is not well-formed, with the HTML
// parser, which takes any tag soup (a document that declares entities is
// left malformed instead: its text could only come out wrong).
XhtmlReading ReadXhtml(const PieceSource& source, const std::set<std::string, std::less<>>& wantedIds = {},
                       std::size_t largest = kLargestText);

}  // namespace document
