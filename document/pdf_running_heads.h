// Running heads, running feet and page numbers: the rows at the top and the
// bottom of pages that repeat from page to page with only digits changing, and
// rows that are only a page number. They are not part of the text.
#pragma once

#include "pdf_layout.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace document {

// Removes them from the pages. A row that is the heading an outline entry
// points at on that page stays.
void RemoveRunningHeads(std::vector<PdfPage>& pages, const std::vector<PdfMark>& marks);

// The lines of a page's top and bottom rows, the only ones that can go.
std::vector<std::size_t> EdgeLines(const PdfPage& page);

// "12", "- 12 -", "Page 12", "page 3 of 40", "xii": a line that only numbers its page.
bool IsPageNumber(std::string_view text);

}  // namespace document
