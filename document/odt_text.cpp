#include "office_text.h"

#include <algorithm>
#include <array>

namespace document {
namespace {

constexpr std::string_view kText = "urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr std::string_view kOffice = "urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr std::string_view kStyle = "urn:oasis:names:tc:opendocument:xmlns:style:1.0";
constexpr std::string_view kSvg = "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0";
constexpr int kDeepestStyleChain = 32;

// Notes, tracked deletions, ruby annotations, generated indexes (the table of
// contents among them) and hidden text.
constexpr std::array<std::string_view, 13> kSilentText = {
    "note", "tracked-changes", "ruby-text", "table-of-content", "alphabetical-index", "illustration-index",
    "table-index", "object-index", "user-index", "bibliography", "hidden-text", "sequence-decls", "variable-decls"};

class ContentHandler : public MarkupHandler {
public:
    explicit ContentHandler(std::size_t largest) : text_(largest) {}

    void Start(const Element& element) override
    {
        ++depth_;
        if (silentDepth_) return;
        if ((element.ns == kText && std::find(kSilentText.begin(), kSilentText.end(), element.local) != kSilentText.end()) ||
            element.Is(kOffice, "annotation") || element.Is(kSvg, "title") || element.Is(kSvg, "desc") ||
            element.Is(kOffice, "forms")) {
            silentDepth_ = depth_;
            return;
        }
        if (element.Is(kStyle, "style")) {
            parents_[std::string(element.Attr("name", kStyle, "style"))] = std::string(element.Attr("parent-style-name", kStyle, "style"));
        } else if (element.Is(kOffice, "body")) {
            inBody_ = true;
        } else if (element.ns == kText && (element.local == "p" || element.local == "h")) {
            Flush();
            level_ = 0;
            if (element.local == "h") {
                const std::string_view outline = element.Attr("outline-level", kText, "text");
                // ODF's levels run from 1 to 10.
                level_ = std::clamp(LevelNumber(outline, 1), 1, 10);
            }
            style_ = std::string(element.Attr("style-name", kText, "text"));
        } else if (element.ns == kText && (element.local == "s" || element.local == "tab" || element.local == "line-break")) {
            text_.AddBlank();
        }
    }

    void End(const Element& element) override
    {
        if (silentDepth_) {
            if (depth_-- == silentDepth_) silentDepth_ = 0;
            return;
        }
        if (element.ns == kText && (element.local == "p" || element.local == "h")) Flush();
        else if (element.Is(kOffice, "body")) inBody_ = false;
        --depth_;
    }

    void Text(std::string_view text) override
    {
        if (!silentDepth_ && inBody_) text_.Add(text);
    }

    bool Done() const override { return text_.TooLong(); }

    OfficeText Take()
    {
        Flush();
        result_.tooLong = text_.TooLong();
        return std::move(result_);
    }

private:
    // Automatic styles stand for a named one: P1 may be the Title style.
    bool IsTitleStyle(std::string name) const
    {
        for (int step = 0; step < kDeepestStyleChain && !name.empty(); ++step) {
            if (name == "Title" || name == "Subtitle") return true;
            auto parent = parents_.find(name);
            if (parent == parents_.end()) return false;
            name = parent->second;
        }
        return false;
    }

    void Flush()
    {
        std::string text = text_.Take();
        if (!text.empty()) result_.blocks.push_back({std::move(text), level_, level_ == 0 && IsTitleStyle(style_)});
    }

    BlockText text_;
    OfficeText result_;
    std::map<std::string, std::string> parents_;
    std::string style_;
    int level_ = 0;
    int depth_ = 0;
    int silentDepth_ = 0;
    bool inBody_ = false;
};

}  // namespace

OfficeText ReadOdtBody(const PieceSource& source, std::size_t largest)
{
    ContentHandler handler(largest);
    MarkupResult markup = ParseMarkup(source, Syntax::Xml, handler);
    OfficeText text = handler.Take();
    text.markup = std::move(markup);
    return text;
}

}  // namespace document
