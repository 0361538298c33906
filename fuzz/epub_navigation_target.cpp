// An EPUB's table of contents from memory: the navigation document (first
// byte even) or the NCX (odd). The same entries whole or in pieces, their
// titles as blocks are gathered, and never more entries than the limit.
#include "document_checks.h"
#include "fuzz_target.h"

#include <epub_navigation.h>

VARNEL_FUZZ_TARGET(FuzzEpubNavigation)
{
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const bool ncx = data[0] & 1;
    auto read = [&](const document::PieceSource& source) {
        return ncx ? document::ReadNcx(source) : document::ReadNavDocument(source);
    };
    const document::NavigationReading whole = read(document::MemoryPieces(bytes));
    const document::NavigationReading pieces = read(fuzz::TwoPieces(bytes, data[0] * 5));
    FUZZ_CHECK(whole.markup.status == pieces.markup.status);
    if (whole.markup.status != document::MarkupResult::Status::Parsed) return 0;
    FUZZ_CHECK(whole.entries.size() == pieces.entries.size());
    for (std::size_t i = 0; i < whole.entries.size(); ++i) {
        const document::TocEntry& entry = whole.entries[i];
        FUZZ_CHECK(entry.title == pieces.entries[i].title && entry.href == pieces.entries[i].href);
        FUZZ_CHECK(entry.title.empty() || fuzz::IsBlockText(entry.title));
        FUZZ_CHECK(fuzz::IsUtf8(entry.href));
    }
    FUZZ_CHECK(whole.entries.size() <= 100000);
    return 0;
}
