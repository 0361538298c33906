#include "markdown_parser.h"

#include "chapter_builder.h"
#include "too_long.h"
#include "markdown_blocks.h"
#include "markdown_footnotes.h"
#include "markdown_title_block.h"
#include "valid_utf8.h"

#include <algorithm>
#include <optional>

namespace document {
namespace {

Reading Problem(std::string problem)
{
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

// The first block when it is the document's title: it repeats the title
// block's title, or, without a title block, it is a heading that no other
// heading outranks or equals.
std::optional<std::size_t> TitleHeading(const std::vector<MarkdownBlock>& blocks, const TitleBlock& titleBlock)
{
    auto firstHeading = std::find_if(blocks.begin(), blocks.end(), [](const MarkdownBlock& b) { return b.level > 0; });
    if (firstHeading == blocks.end()) return std::nullopt;
    const std::size_t index = std::size_t(firstHeading - blocks.begin());
    if (!titleBlock.title.empty()) {
        if (SameTitle(firstHeading->text, titleBlock.title)) return index;
        return std::nullopt;
    }
    if (index != 0) return std::nullopt;
    const bool outranked = std::any_of(blocks.begin() + 1, blocks.end(), [&](const MarkdownBlock& b) {
        return b.level > 0 && b.level <= firstHeading->level;
    });
    return outranked ? std::nullopt : std::optional<std::size_t>(index);
}

}  // namespace

Reading ParseMarkdown(std::string_view bytes, std::string_view untitled, std::size_t largestText)
{
    const std::string source = ValidUtf8(bytes);
    const TitleBlock titleBlock = SplitTitleBlock(source);
    std::vector<MarkdownBlock> blocks;
    if (!MarkdownBlocks(RemoveFootnotes(titleBlock.body), blocks)) return Problem("cannot be parsed as Markdown");

    std::string title = CollapseSpace(titleBlock.title);
    const std::optional<std::size_t> titleHeading = TitleHeading(blocks, titleBlock);
    if (titleHeading && title.empty()) title = CollapseSpace(blocks[*titleHeading].text);
    // Chapters are the headings of the highest level used, the title's aside.
    int chapterLevel = 0;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (blocks[i].level > 0 && i != titleHeading && (chapterLevel == 0 || blocks[i].level < chapterLevel))
            chapterLevel = blocks[i].level;

    ChapterBuilder builder(largestText);
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (i == titleHeading) continue;
        if (blocks[i].level == chapterLevel && chapterLevel > 0) builder.StartChapter(blocks[i].text);
        if (!builder.AddBlock(blocks[i].text)) return Problem(TooLongProblem(largestText));
    }
    Reading reading;
    reading.document = builder.Finish(title, titleBlock.author, untitled);
    if (reading.document.chapters.empty()) return Problem("has no text to read aloud");
    reading.ok = true;
    return reading;
}

}  // namespace document
