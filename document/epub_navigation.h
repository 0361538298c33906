// An EPUB's table of contents: the top-level entries of the EPUB 3
// navigation document's toc nav, or of the NCX's navMap.
#pragma once

#include "markup_parser.h"

#include <string>
#include <vector>

namespace document {

struct TocEntry {
    std::string title;
    std::string href;  // as written, relative to the file that holds it
};

struct NavigationReading {
    MarkupResult markup;
    std::vector<TocEntry> entries;
};

NavigationReading ReadNavDocument(const PieceSource& source);
NavigationReading ReadNcx(const PieceSource& source);

}  // namespace document
