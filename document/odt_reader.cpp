// ODT: content.xml in chapters at its outline level 1 headings; title and
// author from meta.xml.
#include "readers.h"

#include "office_reading.h"

namespace document {

Reading ReadOdt(const std::string& path)
{
    OfficeParts parts{"ODT", "content.xml", "meta.xml"};
    return ReadOfficeArchive(path, parts, [](const ZipArchive& archive, const std::string& body, std::string&) {
        return ReadOdtBody(archive.Entry(body, kLargestPart));
    });
}

}  // namespace document
