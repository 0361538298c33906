#include "office_text.h"

#include <algorithm>
#include <array>

namespace document {
namespace {

constexpr std::string_view kWord = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";
constexpr std::string_view kStrictWord = "http://purl.oclc.org/ooxml/wordprocessingml/main";
constexpr std::string_view kCompatibility = "http://schemas.openxmlformats.org/markup-compatibility/2006";
constexpr int kDeepestStyleChain = 32;

bool IsWord(const Element& element) { return element.ns == kWord || element.ns == kStrictWord; }

std::string_view WordAttr(const Element& element, std::string_view name)
{
    std::string_view value = element.Attr(name, kWord, "w");
    return value.empty() ? element.Attr(name, kStrictWord, "w") : value;
}

std::string Lower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
    return lower;
}

// Deleted and moved-away revisions, field codes, ruby annotations, and the
// other choice of markup-compatibility content.
constexpr std::array<std::string_view, 6> kSilentWord = {"del", "moveFrom", "instrText", "delInstrText", "rt", "delText"};

class StylesHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (!IsWord(element)) return;
        if (element.local == "style") {
            inStyle_ = WordAttr(element, "type") == "paragraph" || WordAttr(element, "type").empty();
            id_ = std::string(WordAttr(element, "styleId"));
            style_ = {};
        } else if (inStyle_ && element.local == "name") {
            style_.name = std::string(WordAttr(element, "val"));
        } else if (inStyle_ && element.local == "basedOn") {
            style_.basedOn = std::string(WordAttr(element, "val"));
        } else if (inStyle_ && element.local == "outlineLvl") {
            style_.outlineLevel = LevelNumber(WordAttr(element, "val"), -1);
        }
    }
    void End(const Element& element) override
    {
        if (IsWord(element) && element.local == "style" && inStyle_) {
            if (!id_.empty()) styles_.Add(std::move(id_), std::move(style_));
            inStyle_ = false;
        }
    }
    void Text(std::string_view) override {}
    DocxStyles styles_;

private:
    bool inStyle_ = false;
    std::string id_;
    DocxStyles::Style style_;
};

class BodyHandler : public MarkupHandler {
public:
    BodyHandler(const DocxStyles& styles, std::size_t largest) : styles_(styles), text_(largest) {}

    void Start(const Element& element) override
    {
        ++depth_;
        if (silentDepth_) return;
        if ((IsWord(element) && std::find(kSilentWord.begin(), kSilentWord.end(), element.local) != kSilentWord.end()) ||
            element.Is(kCompatibility, "Fallback") || (IsWord(element) && element.local == "sdtContent" && InContentsBlock())) {
            silentDepth_ = depth_;
            return;
        }
        if (!IsWord(element)) return;
        const std::string_view name = element.local;
        if (name == "p") {
            Flush();
            style_.clear();
            directOutline_ = -1;
        } else if (name == "pStyle") {
            style_ = std::string(WordAttr(element, "val"));
        } else if (name == "outlineLvl" && runDepth_ == 0) {
            directOutline_ = LevelNumber(WordAttr(element, "val"), -1);
        } else if (name == "r") {
            runDepth_ = depth_;
            hidden_ = false;
        } else if ((name == "vanish" || name == "webHidden") && runDepth_) {
            const std::string_view value = WordAttr(element, "val");
            hidden_ = value != "0" && value != "false" && value != "off";
        } else if (name == "t" && runDepth_) {
            inText_ = true;
        } else if ((name == "tab" || name == "br" || name == "cr") && runDepth_ && !hidden_) {
            text_.AddBlank();
        } else if (name == "noBreakHyphen" && runDepth_ && !hidden_) {
            text_.Add("-");
        } else if (name == "sdt") {
            contentsBlocks_.push_back(false);
        } else if (name == "docPartGallery" && !contentsBlocks_.empty()) {
            if (WordAttr(element, "val") == "Table of Contents") contentsBlocks_.back() = true;
        }
    }

    void End(const Element& element) override
    {
        if (silentDepth_) {
            if (depth_-- == silentDepth_) silentDepth_ = 0;
            return;
        }
        if (IsWord(element)) {
            if (element.local == "p") Flush();
            else if (element.local == "t") inText_ = false;
            else if (element.local == "r") runDepth_ = 0;
            else if (element.local == "sdt" && !contentsBlocks_.empty()) contentsBlocks_.pop_back();
        }
        --depth_;
    }

    void Text(std::string_view text) override
    {
        if (!silentDepth_ && inText_ && !hidden_) text_.Add(text);
    }

    bool Done() const override { return text_.TooLong(); }

    OfficeText Take()
    {
        Flush();
        result_.tooLong = text_.TooLong();
        return std::move(result_);
    }

private:
    bool InContentsBlock() const { return std::find(contentsBlocks_.begin(), contentsBlocks_.end(), true) != contentsBlocks_.end(); }

    void Flush()
    {
        std::string text = text_.Take();
        if (text.empty()) return;
        const DocxStyles::Use use = styles_.UseOf(style_);
        if (use.role == DocxStyles::Role::Contents) return;
        Block block{std::move(text), use.role == DocxStyles::Role::Heading ? use.level : 0,
                    use.role == DocxStyles::Role::Title};
        if (directOutline_ >= 0 && directOutline_ < 9 && !block.titleBlock) block.level = directOutline_ + 1;
        result_.blocks.push_back(std::move(block));
    }

    const DocxStyles& styles_;
    BlockText text_;
    OfficeText result_;
    std::string style_;
    std::vector<bool> contentsBlocks_;  // the open w:sdt blocks: each a table of contents or not
    int directOutline_ = -1;
    int depth_ = 0;
    int silentDepth_ = 0;
    int runDepth_ = 0;
    bool hidden_ = false;
    bool inText_ = false;
};

}  // namespace

DocxStyles::Use DocxStyles::UseOf(const std::string& id) const
{
    auto found = styles_.find(id);
    if (found == styles_.end()) {
        // Word's own ids for the built-in styles, when styles.xml is missing.
        if (id == "Title" || id == "Subtitle") return {Role::Title, 0};
        if (id.size() == 8 && id.compare(0, 7, "Heading") == 0 && id[7] >= '1' && id[7] <= '9') return {Role::Heading, id[7] - '0'};
        return {};
    }
    const std::string name = Lower(found->second.name);
    if (name == "title" || name == "subtitle") return {Role::Title, 0};
    if (name == "toc heading" || (name.size() == 5 && name.compare(0, 4, "toc ") == 0)) return {Role::Contents, 0};
    if (name.size() == 9 && name.compare(0, 8, "heading ") == 0 && name[8] >= '1' && name[8] <= '9') return {Role::Heading, name[8] - '0'};
    const Style* style = &found->second;
    for (int step = 0; style && step < kDeepestStyleChain; ++step) {
        if (style->outlineLevel >= 0) {
            if (style->outlineLevel < 9) return {Role::Heading, style->outlineLevel + 1};
            return {};
        }
        auto parent = styles_.find(style->basedOn);
        style = parent == styles_.end() ? nullptr : &parent->second;
    }
    return {};
}

DocxStylesReading ReadDocxStyles(const PieceSource& source)
{
    StylesHandler handler;
    DocxStylesReading reading;
    reading.markup = ParseMarkup(source, Syntax::Xml, handler);
    reading.styles = std::move(handler.styles_);
    return reading;
}

OfficeText ReadDocxBody(const PieceSource& source, const DocxStyles& styles, std::size_t largest)
{
    BodyHandler handler(styles, largest);
    MarkupResult markup = ParseMarkup(source, Syntax::Xml, handler);
    OfficeText text = handler.Take();
    text.markup = std::move(markup);
    return text;
}

}  // namespace document
