// Word processors' body parts from memory: DOCX's word/document.xml (first
// byte even, with a fixed set of styles) or ODT's content.xml (odd), with a
// small text limit. The same blocks whole or in pieces, each valid UTF-8 with
// single blanks, heading levels in range.
#include "document_checks.h"
#include "fuzz_target.h"

#include <office_text.h>

namespace {

constexpr std::size_t kLargest = 4096;

const document::DocxStyles& Styles()
{
    static const document::DocxStyles styles = [] {
        document::DocxStyles made;
        made.Add("Heading1", {"heading 1", "", 0});
        made.Add("Chapter", {"Chapter", "Heading1", -1});
        made.Add("Title", {"Title", "", -1});
        made.Add("TOC1", {"toc 1", "", -1});
        made.Add("Loop", {"Loop", "Loop", -1});
        return made;
    }();
    return styles;
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzOfficeText)
{
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool odt = data[0] & 1;
    auto read = [&](const document::PieceSource& source) {
        return odt ? document::ReadOdtBody(source, kLargest) : document::ReadDocxBody(source, Styles(), kLargest);
    };
    const document::OfficeText whole = read(document::MemoryPieces(bytes));
    const document::OfficeText pieces = read(fuzz::TwoPieces(bytes, data[0] * 11));
    FUZZ_CHECK(whole.markup.status == pieces.markup.status);
    if (whole.markup.status != document::MarkupResult::Status::Parsed) return 0;
    FUZZ_CHECK(whole.blocks.size() == pieces.blocks.size() && whole.tooLong == pieces.tooLong);
    std::size_t total = 0;
    for (std::size_t i = 0; i < whole.blocks.size(); ++i) {
        const document::Block& block = whole.blocks[i];
        FUZZ_CHECK(block.text == pieces.blocks[i].text && block.level == pieces.blocks[i].level &&
                   block.titleBlock == pieces.blocks[i].titleBlock);
        FUZZ_CHECK(fuzz::IsBlockText(block.text));
        FUZZ_CHECK(block.level >= 0 && block.level <= 10 && !(block.titleBlock && block.level));
        total += block.text.size();
    }
    FUZZ_CHECK(total <= kLargest);
    return 0;
}
