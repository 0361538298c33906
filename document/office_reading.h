// What DOCX and ODT share: an archive with a body part and a metadata part,
// read in one flow into chapters at the top-level headings.
#pragma once

#include "office_text.h"
#include "reading_problems.h"
#include "zip_archive.h"

#include <functional>

namespace document {

struct OfficeParts {
    std::string_view format;  // "DOCX", as the messages name it
    std::string body;
    std::string metadata;
};

// Reads the body part (its name as stored) into blocks; sets `problem` for a
// failure of its own before the body.
using BodyReader = std::function<OfficeText(const ZipArchive& archive, const std::string& body, std::string& problem)>;

Reading ReadOfficeArchive(const std::string& path, const OfficeParts& parts, const BodyReader& readBody);

}  // namespace document
