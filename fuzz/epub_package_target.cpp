// An EPUB's package document from memory, and the links it holds: the same
// package whole or in pieces, names in valid UTF-8 without stray blanks, and
// every manifest link resolved to a clean path inside the book.
#include "document_checks.h"
#include "fuzz_target.h"

#include <epub_package.h>
#include <epub_paths.h>

namespace {

bool IsCleanPath(const std::string& path)
{
    if (path.empty()) return true;  // a link out of the book
    if (path.front() == '/' || path.back() == '/' || path.find("//") != std::string::npos) return false;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part == "." || part == "..") return false;
        at = end + 1;
    }
    return true;
}

bool SamePackage(const document::Package& a, const document::Package& b)
{
    if (a.title != b.title || a.author != b.author || a.ncxId != b.ncxId || a.tocPages != b.tocPages) return false;
    if (a.spine.size() != b.spine.size() || a.manifest.size() != b.manifest.size()) return false;
    for (std::size_t i = 0; i < a.spine.size(); ++i)
        if (a.spine[i].idref != b.spine[i].idref || a.spine[i].linear != b.spine[i].linear) return false;
    for (const auto& [id, item] : a.manifest) {
        const document::ManifestItem* other = b.Item(id);
        if (!other || other->href != item.href || other->mediaType != item.mediaType || other->properties != item.properties)
            return false;
    }
    return true;
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzEpubPackage)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const document::PackageReading whole = document::ReadPackage(document::MemoryPieces(bytes));
    const document::PackageReading pieces = document::ReadPackage(fuzz::TwoPieces(bytes, size ? data[0] * 7 : 0));
    FUZZ_CHECK(whole.markup.status == pieces.markup.status);
    if (whole.markup.status != document::MarkupResult::Status::Parsed) {
        FUZZ_CHECK(!whole.markup.problem.empty());
        return 0;
    }
    const document::Package& package = whole.package;
    FUZZ_CHECK(SamePackage(package, pieces.package));
    FUZZ_CHECK(package.title.empty() || fuzz::IsBlockText(package.title));
    FUZZ_CHECK(fuzz::IsUtf8(package.author));
    for (const auto& [id, item] : package.manifest) {
        const document::LinkTarget target = document::ResolveLink("OPS/book.opf", item.href);
        FUZZ_CHECK(IsCleanPath(target.file));
        FUZZ_CHECK(package.Item(id) == &item);
    }
    if (const document::ManifestItem* nav = package.Navigation()) FUZZ_CHECK(nav->properties.find("nav") != std::string::npos);
    return 0;
}
