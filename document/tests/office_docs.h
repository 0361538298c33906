// DOCX and ODT files made at test time: a real sample's archive with its
// body (and other parts) replaced.
#pragma once

#include "document_files.h"

#include <string>
#include <vector>

namespace document::testing {

inline std::string WordBody(const std::string& paragraphs)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"
           "<w:document xmlns:w=\"http://schemas.openxmlformats.org/wordprocessingml/2006/main\" "
           "xmlns:mc=\"http://schemas.openxmlformats.org/markup-compatibility/2006\"><w:body>" +
           paragraphs + "</w:body></w:document>";
}

// A paragraph of one run, styled when `style` is given.
inline std::string WordParagraph(const std::string& text, const std::string& style = "")
{
    const std::string properties = style.empty() ? "" : "<w:pPr><w:pStyle w:val=\"" + style + "\"/></w:pPr>";
    return "<w:p>" + properties + "<w:r><w:t xml:space=\"preserve\">" + text + "</w:t></w:r></w:p>";
}

inline std::string OdtContent(const std::string& automaticStyles, const std::string& text)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?><office:document-content "
           "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
           "xmlns:style=\"urn:oasis:names:tc:opendocument:xmlns:style:1.0\" "
           "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
           "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
           "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
           "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" "
           "xmlns:dc=\"http://purl.org/dc/elements/1.1/\" office:version=\"1.2\">"
           "<office:automatic-styles>" + automaticStyles + "</office:automatic-styles>"
           "<office:body><office:text>" + text + "</office:text></office:body></office:document-content>";
}

// The sample's entries without the one named.
inline std::vector<ZipEntry> Without(std::vector<ZipEntry> entries, const std::string& name)
{
    std::erase_if(entries, [&](const ZipEntry& entry) { return entry.name == name; });
    return entries;
}

}  // namespace document::testing
