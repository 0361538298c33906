// DOCX: word/document.xml in chapters at its Heading 1 paragraphs; title and
// author from docProps/core.xml.
#include "readers.h"

#include "office_reading.h"

namespace document {

Reading ReadDocx(const std::string& path)
{
    OfficeParts parts{"DOCX", "word/document.xml", "docProps/core.xml"};
    return ReadOfficeArchive(path, parts, [](const ZipArchive& archive, const std::string& body, std::string& problem) {
        DocxStyles styles;
        if (const std::string name = archive.Find("word/styles.xml"); !name.empty()) {
            DocxStylesReading reading = ReadDocxStyles(archive.Entry(name, kLargestMetadataPart));
            if (reading.markup.status != MarkupResult::Status::Parsed) {
                problem = PartProblem("DOCX", name, reading.markup);
                return OfficeText{};
            }
            styles = std::move(reading.styles);
        }
        return ReadDocxBody(archive.Entry(body, kLargestPart), styles);
    });
}

}  // namespace document
