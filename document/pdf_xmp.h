// The title and the authors of an XMP metadata packet (Dublin Core), for PDFs
// whose document information has none.
#pragma once

#include <string>
#include <string_view>

namespace document {

struct XmpNames {
    std::string title;
    std::string author;  // the creators, joined by ", "
};

XmpNames ReadXmpNames(std::string_view packet);

}  // namespace document
