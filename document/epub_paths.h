// Where an EPUB's links lead: hrefs are relative to the file that holds them,
// percent-encoded, and may end in a #fragment.
#pragma once

#include <string>
#include <string_view>

namespace document {

struct LinkTarget {
    std::string file;      // the archive entry's name; empty for a link out of the book
    std::string fragment;  // without '#'; empty for the file's start
};

// `href` as written in the archive entry `from`.
LinkTarget ResolveLink(std::string_view from, std::string_view href);

}  // namespace document
