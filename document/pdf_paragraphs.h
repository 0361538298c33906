// A PDF's lines as paragraphs, in the chapters the outline marks: where a
// paragraph ends is read from the layout (a wider gap, an indented line, a
// size change, a line that ends short of its column).
#pragma once

#include "chapter_builder.h"
#include "pdf_layout.h"

#include <vector>

namespace document {

// Hands every paragraph to the builder, starting a chapter at each mark (by
// page and position). False once the text passed the builder's largest size.
bool FlowParagraphs(const std::vector<PdfPage>& pages, std::vector<PdfMark> marks, ChapterBuilder& builder);

}  // namespace document
