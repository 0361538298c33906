// The blocks md4c finds in Markdown, each with its text and, for a heading,
// its level: what the parser turns into chapters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace document {

struct MarkdownBlock {
    std::string text;
    int level = 0;  // 1 to 6 for a heading, 0 for other blocks
};

// The blocks of valid UTF-8 Markdown (without title block and footnotes);
// false when md4c gave up.
bool MarkdownBlocks(std::string_view markdown, std::vector<MarkdownBlock>& blocks);

}  // namespace document
