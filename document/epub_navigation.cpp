#include "epub_navigation.h"

#include "chapter_builder.h"

namespace document {
namespace {

constexpr std::string_view kOps = "http://www.idpf.org/2007/ops";
constexpr std::size_t kLargestLabel = 4096;
constexpr std::size_t kMostEntries = 100000;

bool HasWord(std::string_view list, std::string_view word)
{
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find_first_of(" \t\r\n", at), list.size());
        if (list.substr(at, end - at) == word) return true;
        at = end + 1;
    }
    return false;
}

// A label's text, bounded, with its white space collapsed.
class Label {
public:
    void Add(std::string_view text)
    {
        if (text_.size() < kLargestLabel) text_.append(text.substr(0, kLargestLabel));
    }
    std::string Take()
    {
        std::string label = CollapseSpace(text_);
        text_.clear();
        return label;
    }

private:
    std::string text_;
};

// <nav epub:type="toc"><ol><li><a href="...">Title</a><ol>...</ol></li>...
class NavHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        ++depth_;
        if (tocDepth_ == 0) {
            if (element.local == "nav" && HasWord(element.Attr("type", kOps, "epub"), "toc") && !seenToc_) {
                tocDepth_ = depth_;
                seenToc_ = true;
            }
            return;
        }
        if (element.local == "ol" || element.local == "ul") ++lists_;
        else if (element.local == "li" && lists_ == 1 && entries_.size() < kMostEntries) {
            entries_.push_back({});
            labelDone_ = false;
        } else if ((element.local == "a" || element.local == "span") && lists_ == 1 && !entries_.empty() &&
                   !labelDone_ && labelDepth_ == 0) {
            labelDepth_ = depth_;
            if (element.local == "a") entries_.back().href = std::string(element.Attr("href"));
        } else if ((element.local == "rt" || element.local == "rp") && labelDepth_ && !silentDepth_) {
            silentDepth_ = depth_;
        }
    }

    void End(const Element& element) override
    {
        if (depth_ == silentDepth_) silentDepth_ = 0;
        if (depth_ == labelDepth_) {
            entries_.back().title = label_.Take();
            labelDepth_ = 0;
            labelDone_ = true;
        }
        if (tocDepth_ && (element.local == "ol" || element.local == "ul")) --lists_;
        if (depth_ == tocDepth_) tocDepth_ = 0;
        --depth_;
    }

    void Text(std::string_view text) override
    {
        if (labelDepth_ && !silentDepth_) label_.Add(text);
    }

    bool Done() const override { return seenToc_ && tocDepth_ == 0; }
    std::vector<TocEntry> entries_;

private:
    int depth_ = 0;
    int tocDepth_ = 0;    // the toc nav's depth while inside it
    int lists_ = 0;       // open lists inside it
    int labelDepth_ = 0;  // the label element's depth while inside it
    int silentDepth_ = 0;
    bool seenToc_ = false;
    bool labelDone_ = false;
    Label label_;
};

// <navMap><navPoint><navLabel><text>Title</text></navLabel><content src="..."/>...
class NcxHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (element.local == "navMap") inMap_ = true;
        if (!inMap_) return;
        if (element.local == "navPoint") {
            if (++points_ == 1 && entries_.size() < kMostEntries) entries_.push_back({});
        } else if (points_ == 1 && !entries_.empty()) {
            if (element.local == "navLabel") inLabel_ = true;
            else if (element.local == "text" && inLabel_) inText_ = true;
            else if (element.local == "content" && entries_.back().href.empty())
                entries_.back().href = std::string(element.Attr("src"));
        }
    }

    void End(const Element& element) override
    {
        if (element.local == "navMap") inMap_ = false;
        else if (element.local == "navPoint" && points_ > 0) --points_;
        else if (element.local == "text") inText_ = false;
        else if (element.local == "navLabel" && inLabel_) {
            inLabel_ = false;
            if (!entries_.empty() && entries_.back().title.empty()) entries_.back().title = label_.Take();
        }
    }

    void Text(std::string_view text) override
    {
        if (inText_ && points_ == 1) label_.Add(text);
    }

    std::vector<TocEntry> entries_;

private:
    bool inMap_ = false;
    bool inLabel_ = false;
    bool inText_ = false;
    int points_ = 0;
    Label label_;
};

}  // namespace

NavigationReading ReadNavDocument(const PieceSource& source)
{
    NavigationReading reading;
    {
        NavHandler handler;
        reading.markup = ParseMarkup(source, Syntax::Xml, handler);
        reading.entries = std::move(handler.entries_);
    }
    if (reading.markup.status != MarkupResult::Status::Malformed || reading.markup.declaresEntities) return reading;
    NavHandler handler;
    reading.markup = ParseMarkup(source, Syntax::Html, handler);
    reading.entries = std::move(handler.entries_);
    return reading;
}

NavigationReading ReadNcx(const PieceSource& source)
{
    NcxHandler handler;
    NavigationReading reading;
    reading.markup = ParseMarkup(source, Syntax::Xml, handler);
    reading.entries = std::move(handler.entries_);
    return reading;
}

}  // namespace document
