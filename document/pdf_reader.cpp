// PDF: the text layer in reading order, without running heads and page
// numbers, in paragraphs, in the chapters of the outline's top-level entries.
#include "pdf_reader.h"
#include "readers.h"

#include "chapter_builder.h"
#include "pdf_file.h"
#include "pdf_paragraphs.h"
#include "pdf_running_heads.h"
#include "pdf_xmp.h"
#include "too_long.h"

#include <algorithm>
#include <filesystem>

namespace document {
namespace {

constexpr char kNoTextLayer[] =
    "has no text layer: its pages are images, perhaps scanned; nothing can be read aloud";

Reading Problem(std::string problem)
{
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

// Reads the pages until their text passes the largest size: the text that
// can be a running head does not count yet (it may go), but all of it may not
// pass twice the size.
bool ReadPages(const PdfFile& file, std::size_t largestText, std::vector<PdfPage>& pages, bool& anyText)
{
    std::size_t bodyBytes = 0, allBytes = 0;
    for (int i = 0; i < file.PageCount(); ++i) {
        PdfPage page = file.Page(i);
        std::vector<std::size_t> edges = EdgeLines(page);
        for (std::size_t l = 0; l < page.lines.size(); ++l) {
            const std::size_t bytes = page.lines[l].text.size() + 1;
            allBytes += bytes;
            if (!std::binary_search(edges.begin(), edges.end(), l)) bodyBytes += bytes;
        }
        anyText = anyText || !page.lines.empty();
        if (bodyBytes > largestText || allBytes > 2 * largestText) return false;
        pages.push_back(std::move(page));
    }
    return true;
}

}  // namespace

Reading ReadPdf(const std::string& path) { return ReadPdf(path, kLargestText); }

Reading ReadPdf(const std::string& path, std::size_t largestText)
{
    PdfFile::Opening opening = PdfFile::Open(path);
    switch (opening.failure) {
    case PdfFile::Failure::CannotOpen: return Problem(opening.detail);
    case PdfFile::Failure::Damaged: return Problem("is a damaged PDF that cannot be read");
    case PdfFile::Failure::Encrypted: return Problem("is an encrypted PDF that needs a password");
    case PdfFile::Failure::None: break;
    }
    const PdfFile& file = *opening.file;
    if (file.PageCount() <= 0) return Problem("is a PDF without pages");

    std::vector<PdfPage> pages;
    bool anyText = false;
    if (!ReadPages(file, largestText, pages, anyText)) return Problem(TooLongProblem(largestText));
    if (!anyText) return Problem(kNoTextLayer);
    std::vector<PdfMark> marks = file.TopLevelMarks();
    RemoveRunningHeads(pages, marks);

    ChapterBuilder builder(largestText);
    if (!FlowParagraphs(pages, std::move(marks), builder)) return Problem(TooLongProblem(largestText));
    pages.clear();

    std::string title = CollapseSpace(file.Title()), author = CollapseSpace(file.Author());
    if (title.empty() || author.empty()) {
        XmpNames names = ReadXmpNames(file.Metadata());
        if (title.empty()) title = names.title;
        if (author.empty()) author = names.author;
    }
    Reading reading;
    reading.document = builder.Finish(title, author, std::filesystem::path(path).stem().string());
    if (reading.document.chapters.empty()) return Problem(kNoTextLayer);
    reading.ok = true;
    return reading;
}

}  // namespace document
