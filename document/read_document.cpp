#include "readers.h"

#include <new>

namespace document {
namespace {

Reading ReadKind(const std::string& path, Kind kind)
{
    switch (kind) {
    case Kind::Epub: return ReadEpub(path);
    case Kind::Pdf: return ReadPdf(path);
    case Kind::Html: return ReadHtml(path);
    case Kind::Docx: return ReadDocx(path);
    case Kind::Odt: return ReadOdt(path);
    case Kind::Fb2: return ReadFb2(path);
    case Kind::Markdown: return ReadMarkdown(path);
    case Kind::Text: break;
    }
    Reading reading;
    reading.problem = "is a text file, not a document";
    return reading;
}

}  // namespace

Reading Read(const std::string& path, Kind kind)
{
    try {
        return ReadKind(path, kind);
    } catch (const std::bad_alloc&) {
        Reading reading;
        reading.problem = "does not fit in memory";
        return reading;
    }
}

}  // namespace document
