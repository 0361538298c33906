// Markdown from memory into a document: headings, paragraphs, list items,
// quotes, code and table cells as blocks, inline markup reduced to its text;
// images, raw HTML, comments, footnotes and the title block leave nothing.
#pragma once

#include <varnel/document.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace document {

// `untitled` names the chapter of a document without title or headings (the
// file's name). Never throws but std::bad_alloc.
Reading ParseMarkdown(std::string_view bytes, std::string_view untitled, std::size_t largestText = kLargestText);

}  // namespace document
