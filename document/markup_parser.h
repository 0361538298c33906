// XML and HTML read safely on libxml2, as a stream of elements and text for a
// handler: no DTD is loaded, no entity is declared or substituted, and no file
// or network address is ever opened for the document. HTML's named entities
// (&nbsp; &mdash; ...) come out as their characters in XML too, from libxml2's
// own table, since XHTML files use them without the DTD that would name them.
#pragma once

#include "part_source.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace document {

struct Attribute {
    std::string_view ns;      // the namespace's URI; empty in HTML and when undeclared
    std::string_view prefix;  // as written: "epub" in epub:type
    std::string_view local;
    std::string_view value;
};

struct Element {
    std::string_view ns;
    std::string_view prefix;
    std::string_view local;  // lower case in HTML
    std::vector<Attribute> attributes;

    // The attribute `local` in namespace `ns`, also when written with
    // `prefix` but its namespace left undeclared (or in HTML, which has
    // none); empty when absent. Without `ns`, an attribute without one.
    std::string_view Attr(std::string_view local, std::string_view ns = {}, std::string_view prefix = {}) const;
    // The same, null when absent (HTML's bare `hidden` has an empty value).
    const Attribute* Find(std::string_view local, std::string_view ns = {}, std::string_view prefix = {}) const;
    bool Is(std::string_view ns, std::string_view local) const;
};

class MarkupHandler {
public:
    virtual ~MarkupHandler() = default;
    virtual void Start(const Element& element) = 0;
    virtual void End(const Element& element) = 0;  // without attributes
    virtual void Text(std::string_view text) = 0;
    // True once the handler needs no more (it has what it wants, or its text
    // passed the limit): the parse stops there.
    virtual bool Done() const { return false; }
};

enum class Syntax { Xml, Html };

struct MarkupResult {
    enum class Status { Parsed, Malformed, Unreadable };
    Status status = Status::Parsed;
    std::string problem;                 // Malformed: "line 3: ..."
    std::optional<ReadFailure> failure;  // Unreadable: why the part could not be read
    bool declaresEntities = false;       // a DTD that declares entities (never used)
};

// Streams the part through the parser into the handler. A handler that is
// done ends the parse as Parsed.
MarkupResult ParseMarkup(const PieceSource& source, Syntax syntax, MarkupHandler& handler);

}  // namespace document
