// FictionBook 2: title and authors from description/title-info, the main
// body's top-level sections as chapters, the notes body left out.
#pragma once

#include "markup_parser.h"
#include "text_blocks.h"

namespace document {

struct Fb2Text {
    MarkupResult markup;
    std::string title;
    std::string author;  // the authors' names, joined by ", "
    std::vector<Block> blocks;  // each top-level section starts with a level 1 block, its title
    bool tooLong = false;
};

Fb2Text ReadFb2Text(const PieceSource& source, std::size_t largest = kLargestText);

}  // namespace document
