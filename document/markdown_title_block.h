// The title block at the top of a Markdown file, which is metadata, never
// spoken: YAML front matter ("---" lines around "title:" and "author:") or
// pandoc's ("% Title", "% Author; Author").
#pragma once

#include <string>
#include <string_view>

namespace document {

struct TitleBlock {
    bool found = false;
    std::string title;
    std::string author;     // several joined by ", "
    std::string_view body;  // the text after the block (all of it when none)
};

TitleBlock SplitTitleBlock(std::string_view source);

}  // namespace document
