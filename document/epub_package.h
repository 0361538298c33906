// An EPUB's package document (the .opf): title and author, the manifest,
// the spine (the reading order) and the guide's table-of-contents page.
#pragma once

#include "markup_parser.h"

#include <map>
#include <string>
#include <vector>

namespace document {

struct ManifestItem {
    std::string href;  // as written, relative to the package document
    std::string mediaType;
    std::string properties;  // EPUB 3: "nav", "cover-image", ...
};

struct SpineItem {
    std::string idref;
    bool linear = true;
};

struct Package {
    std::string title;   // the first dc:title
    std::string author;  // the dc:creators that are authors (or the first), joined by ", "
    std::map<std::string, ManifestItem, std::less<>> manifest;  // by id
    std::vector<SpineItem> spine;
    std::string ncxId;                 // the spine's toc attribute
    std::vector<std::string> tocPages;  // the guide's hrefs of type "toc"

    const ManifestItem* Item(std::string_view id) const;
    // The EPUB 3 navigation document and the NCX, when the manifest has them.
    const ManifestItem* Navigation() const;
    const ManifestItem* Ncx() const;
};

struct PackageReading {
    MarkupResult markup;
    Package package;
};
PackageReading ReadPackage(const PieceSource& source);

}  // namespace document
