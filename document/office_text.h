// The text of word processors' documents as blocks: DOCX's word/document.xml
// (paragraph roles from word/styles.xml) and ODT's content.xml; and their
// metadata parts (docProps/core.xml, meta.xml).
#pragma once

#include "markup_parser.h"
#include "text_blocks.h"

#include <map>
#include <string>
#include <vector>

namespace document {

struct OfficeText {
    MarkupResult markup;
    std::vector<Block> blocks;  // chapter headings at level 1; Title and Subtitle paragraphs marked
    bool tooLong = false;
};

// DOCX paragraph styles by id, for what a paragraph is.
class DocxStyles {
public:
    struct Style {
        std::string name;
        std::string basedOn;
        int outlineLevel = -1;  // 0 is the top; -1 when the style sets none
    };
    enum class Role { Text, Heading, Title, Contents };
    struct Use {
        Role role = Role::Text;
        int level = 0;  // a heading's, 1 the top
    };

    void Add(std::string id, Style style) { styles_.insert_or_assign(std::move(id), std::move(style)); }
    // By the style's name (Heading 1, Title, Subtitle, TOC ...) and the
    // outline level it has or inherits through basedOn.
    Use UseOf(const std::string& id) const;

private:
    std::map<std::string, Style> styles_;
};

struct DocxStylesReading {
    MarkupResult markup;
    DocxStyles styles;
};
DocxStylesReading ReadDocxStyles(const PieceSource& source);

OfficeText ReadDocxBody(const PieceSource& source, const DocxStyles& styles, std::size_t largest = kLargestText);
OfficeText ReadOdtBody(const PieceSource& source, std::size_t largest = kLargestText);

struct OfficeMetadata {
    MarkupResult markup;
    std::string title;   // dc:title
    std::string author;  // meta:initial-creator, else dc:creator
};
OfficeMetadata ReadOfficeMetadata(const PieceSource& source);

}  // namespace document
