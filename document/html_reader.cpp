// HTML and XHTML files: the body's text, in chapters at the top-level headings.
#include "readers.h"

#include "chapter_builder.h"
#include "reading_problems.h"
#include "xhtml_blocks.h"

namespace document {

Reading ReadHtml(const std::string& path)
{
    XhtmlReading reading = ReadXhtml(FilePieces(path));
    if (reading.markup.status != MarkupResult::Status::Parsed) return Failed(PartProblem("HTML", "", reading.markup));
    XhtmlPage& page = reading.page;
    if (page.tooLong) return Failed(TooLongProblem());
    std::string title = CollapseSpace(page.title);
    if (title.empty()) {
        for (const Block& block : page.blocks)
            if (block.level > 0) {
                title = block.text;
                break;
            }
    }
    const int chapterLevel = TopHeadingLevel(page.blocks, title);
    FlowResult flow = BuildFlow(page.blocks, chapterLevel, title, page.author, FileTitle(path));
    if (flow.tooLong) return Failed(TooLongProblem());
    return Finished(std::move(flow.document));
}

}  // namespace document
