// The two files of an EPUB's META-INF/ read before the book: container.xml
// names the package document, encryption.xml tells a locked book.
#pragma once

#include "markup_parser.h"

#include <string>

namespace document {

struct ContainerReading {
    MarkupResult markup;
    std::string packagePath;  // empty when none is named
};
ContainerReading ReadContainer(const PieceSource& source);

struct EncryptionReading {
    MarkupResult markup;
    // The first encrypted part that is not an obfuscated font (DRM); empty
    // when the text is free.
    std::string lockedPart;
};
EncryptionReading ReadEncryption(const PieceSource& source);

}  // namespace document
