// The problem phrases the readers give, each to follow the file's name
// ("book.epub is a damaged EPUB archive (CRC error in OEBPS/ch1.xhtml)").
#pragma once

#include "markup_parser.h"

#include <varnel/document.h>

#include <string>
#include <string_view>

namespace document {

Reading Failed(std::string problem);

// "is a damaged EPUB archive (...)"
std::string DamagedArchive(std::string_view format, std::string_view detail);
// Why a part (`name`, of a `format` archive, or the file itself when empty)
// could not be parsed or read.
std::string PartProblem(std::string_view format, std::string_view name, const MarkupResult& result);

// The document as read, or why there is none: no chapter with text.
Reading Finished(Document document);

}  // namespace document
