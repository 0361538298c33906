// FB2 files: chapters from the main body's top-level sections.
#include "readers.h"

#include "chapter_builder.h"
#include "fb2_text.h"
#include "reading_problems.h"

namespace document {

Reading ReadFb2(const std::string& path)
{
    Fb2Text text = ReadFb2Text(FilePieces(path));
    if (text.markup.status != MarkupResult::Status::Parsed) return Failed(PartProblem("FB2", "", text.markup));
    if (text.tooLong) return Failed(TooLongProblem());
    const std::string title = CollapseSpace(text.title);
    FlowResult flow = BuildFlow(text.blocks, 1, title, CollapseSpace(text.author), FileTitle(path));
    if (flow.tooLong) return Failed(TooLongProblem());
    return Finished(std::move(flow.document));
}

}  // namespace document
