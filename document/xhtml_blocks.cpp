#include "xhtml_blocks.h"

#include <array>
#include <algorithm>

namespace document {
namespace {

constexpr std::string_view kXhtml = "http://www.w3.org/1999/xhtml";
constexpr std::string_view kOps = "http://www.idpf.org/2007/ops";
constexpr std::string_view kSvg = "http://www.w3.org/2000/svg";
constexpr std::size_t kLargestTitle = 4096;

template <std::size_t N>
bool OneOf(std::string_view word, const std::array<std::string_view, N>& words)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

// Whether a blank-separated list of words holds one of `words`.
template <std::size_t N>
bool HasToken(std::string_view list, const std::array<std::string_view, N>& words)
{
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find_first_of(" \t\r\n", at), list.size());
        if (end > at && OneOf(list.substr(at, end - at), words)) return true;
        at = end + 1;
    }
    return false;
}

// Elements whose content is never read aloud.
constexpr std::array<std::string_view, 20> kSilentElements = {
    "script", "style", "template", "noscript", "rt", "rp", "img", "svg", "object", "embed",
    "iframe", "video", "audio", "canvas", "select", "textarea", "input", "button", "picture", "map"};
// Structural marks of what is not the running text: page numbers, notes and
// their references, navigation.
constexpr std::array<std::string_view, 13> kSilentTypes = {
    "pagebreak", "footnote", "endnote", "rearnote", "note", "footnotes", "endnotes", "rearnotes",
    "noteref", "toc", "landmarks", "page-list", "annotation"};
constexpr std::array<std::string_view, 7> kSilentRoles = {
    "doc-pagebreak", "doc-footnote", "doc-endnote", "doc-endnotes", "doc-noteref", "doc-toc", "doc-backlink"};
constexpr std::array<std::string_view, 34> kBlockElements = {
    "p", "div", "li", "dt", "dd", "td", "th", "caption", "figcaption", "blockquote", "pre", "section",
    "article", "aside", "header", "footer", "nav", "main", "figure", "address", "table", "tr", "thead",
    "tbody", "tfoot", "ul", "ol", "dl", "hr", "center", "details", "summary", "body", "legend"};
constexpr std::array<std::string_view, 2> kTitlePageTypes = {"titlepage", "halftitlepage"};

bool IsXhtml(const Element& element) { return element.ns.empty() || element.ns == kXhtml; }

int HeadingLevel(std::string_view name)
{
    if (name.size() == 2 && name[0] == 'h' && name[1] >= '1' && name[1] <= '6') return name[1] - '0';
    return 0;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

class XhtmlHandler : public MarkupHandler {
public:
    XhtmlHandler(const std::set<std::string, std::less<>>& wanted, std::size_t largest) : wanted_(wanted), text_(largest) {}

    void Start(const Element& element) override
    {
        if (silentDepth_ > 0) {
            ++silentDepth_;
            return;
        }
        NoteAnchor(element);
        if (IsSilent(element)) {
            silentDepth_ = 1;
            return;
        }
        const std::string_view name = IsXhtml(element) ? element.local : std::string_view();
        Kind kind = Kind::Inline;
        if (name == "head") kind = Kind::Head;
        else if (name == "title" && inHead_) kind = Kind::Title;
        else if (HeadingLevel(name)) kind = Kind::Heading;
        else if (OneOf(name, kBlockElements)) kind = Kind::Block;
        else if (name == "br") text_.AddBlank();
        else if (name == "meta" && inHead_) NoteMeta(element);

        if (HasToken(element.Attr("type", kOps, "epub"), kTitlePageTypes) && (name == "body" || name == "section"))
            page_.titlePage = true;
        if (kind == Kind::Head) ++inHead_;
        if (kind == Kind::Title) inTitle_ = true;
        if (kind == Kind::Heading || kind == Kind::Block) Flush();
        if (kind == Kind::Heading) level_ = HeadingLevel(name);
        open_.push_back(kind);
    }

    void End(const Element&) override
    {
        if (silentDepth_ > 0) {
            --silentDepth_;
            return;
        }
        if (open_.empty()) return;
        const Kind kind = open_.back();
        open_.pop_back();
        if (kind == Kind::Head && inHead_ > 0) --inHead_;
        if (kind == Kind::Title) inTitle_ = false;
        if (kind == Kind::Heading || kind == Kind::Block) Flush();
        if (kind == Kind::Heading) level_ = 0;
    }

    void Text(std::string_view text) override
    {
        if (silentDepth_ > 0) return;
        if (inTitle_) {
            if (page_.title.size() < kLargestTitle) page_.title.append(text.substr(0, kLargestTitle));
            return;
        }
        if (inHead_ == 0) text_.Add(text);
    }

    bool Done() const override { return text_.TooLong(); }

    XhtmlPage Take()
    {
        Flush();
        page_.tooLong = text_.TooLong();
        return std::move(page_);
    }

private:
    enum class Kind { Inline, Block, Heading, Head, Title };

    bool IsSilent(const Element& element) const
    {
        if (element.ns == kSvg) return true;
        if (IsXhtml(element) && OneOf(element.local, kSilentElements)) return true;
        if (element.Find("hidden") || element.Attr("aria-hidden") == "true") return true;
        return HasToken(element.Attr("type", kOps, "epub"), kSilentTypes) || HasToken(element.Attr("role"), kSilentRoles);
    }

    void NoteAnchor(const Element& element)
    {
        if (wanted_.empty()) return;
        std::string_view id = element.Attr("id");
        if (id.empty() && element.local == "a") id = element.Attr("name");
        if (id.empty() || !wanted_.count(id) || page_.anchors.count(id)) return;
        Flush();  // a chapter may start in the middle of a paragraph
        page_.anchors.emplace(std::string(id), page_.blocks.size());
    }

    void NoteMeta(const Element& element)
    {
        if (!EqualsIgnoringCase(element.Attr("name"), "author")) return;
        const std::string_view content = element.Attr("content");
        if (content.empty() || page_.author.size() > kLargestTitle) return;
        if (!page_.author.empty()) page_.author += ", ";
        page_.author += content;
    }

    void Flush()
    {
        std::string text = text_.Take();
        if (!text.empty()) page_.blocks.push_back({std::move(text), level_, false});
    }

    const std::set<std::string, std::less<>>& wanted_;
    BlockText text_;
    XhtmlPage page_;
    std::vector<Kind> open_;
    int silentDepth_ = 0;
    int inHead_ = 0;
    bool inTitle_ = false;
    int level_ = 0;
};

}  // namespace

XhtmlReading ReadXhtml(const PieceSource& source, const std::set<std::string, std::less<>>& wantedIds, std::size_t largest)
{
    XhtmlReading reading;
    {
        XhtmlHandler handler(wantedIds, largest);
        reading.markup = ParseMarkup(source, Syntax::Xml, handler);
        reading.page = handler.Take();
    }
    if (reading.markup.status != MarkupResult::Status::Malformed || reading.markup.declaresEntities) return reading;
    XhtmlHandler handler(wantedIds, largest);
    reading.markup = ParseMarkup(source, Syntax::Html, handler);
    reading.page = handler.Take();
    return reading;
}

}  // namespace document
