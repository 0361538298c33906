#include "fb2_text.h"

#include <algorithm>
#include <array>

namespace document {
namespace {

constexpr std::size_t kLargestName = 4096;
constexpr std::array<std::string_view, 4> kNameParts = {"first-name", "middle-name", "last-name", "nickname"};
constexpr std::array<std::string_view, 10> kBlockElements = {
    "p", "v", "subtitle", "text-author", "empty-line", "td", "th", "stanza", "epigraph", "cite"};

template <std::size_t N>
bool OneOf(std::string_view word, const std::array<std::string_view, N>& words)
{
    return std::find(words.begin(), words.end(), word) != words.end();
}

class Fb2Handler : public MarkupHandler {
public:
    explicit Fb2Handler(std::size_t largest) : text_(largest) {}

    void Start(const Element& element) override
    {
        path_.emplace_back(element.local);
        if (silentDepth_) return;
        const std::string_view name = element.local;
        if (Under("title-info")) {
            StartDescription(name);
            return;
        }
        if (name == "body") {
            // Bodies after the first one that have a name hold notes and comments.
            if (++bodies_ > 1 && element.Find("name")) silentDepth_ = path_.size();
            return;
        }
        if (name == "binary" || name == "image" || name == "stylesheet" || (name == "a" && element.Attr("type") == "note")) {
            silentDepth_ = path_.size();
            return;
        }
        if (!Under("body")) return;
        if (name == "section") {
            Flush();
            if (++sections_ == 1) {
                chapter_ = result_.blocks.size();
                result_.blocks.push_back({{}, 1, false});
            }
        } else if (name == "title") {
            Flush();
        } else if (OneOf(name, kBlockElements)) {
            if (InChapterTitle() || InBookTitle()) text_.AddBlank();
            else Flush();
        }
    }

    void End(const Element& element) override
    {
        const std::size_t depth = path_.size();
        if (silentDepth_) {
            if (depth == silentDepth_) silentDepth_ = 0;
            path_.pop_back();
            return;
        }
        const std::string_view name = element.local;
        if (collecting_ && depth == collectDepth_) collecting_ = nullptr;
        if (Under("title-info") && name == "author") EndAuthor();
        if (name == "title" && InChapterTitle()) {
            result_.blocks[chapter_].text = text_.Take();
        } else if (name == "title" && InBookTitle()) {
            std::string text = text_.Take();
            if (!text.empty()) result_.blocks.push_back({std::move(text), 0, true});
        } else if (name == "section" && Under("body")) {
            Flush();
            --sections_;
        } else if (OneOf(name, kBlockElements) && !InChapterTitle() && !InBookTitle()) {
            Flush();
        }
        path_.pop_back();
    }

    void Text(std::string_view text) override
    {
        if (silentDepth_) return;
        if (collecting_) {
            if (collecting_->size() < kLargestName) collecting_->append(text.substr(0, kLargestName));
        } else if (Under("body")) {
            text_.Add(text);
        }
    }

    bool Done() const override { return text_.TooLong(); }

    Fb2Text Take()
    {
        Flush();
        result_.tooLong = text_.TooLong();
        return std::move(result_);
    }

private:
    bool Under(std::string_view name) const { return std::find(path_.begin(), path_.end(), name) != path_.end(); }
    // The title element of a top-level section (body, section, title).
    bool InChapterTitle() const { return sections_ == 1 && TitleAt(3); }
    bool InBookTitle() const { return sections_ == 0 && TitleAt(2); }
    bool TitleAt(std::size_t level) const
    {
        const auto body = std::find(path_.begin(), path_.end(), "body");
        return body != path_.end() && static_cast<std::size_t>(path_.end() - body) > level - 1 &&
               *(body + static_cast<std::ptrdiff_t>(level - 1)) == "title";
    }

    void StartDescription(std::string_view name)
    {
        if (name == "book-title" && result_.title.empty()) Collect(result_.title);
        else if (name == "author") name_.clear(), nickname_.clear();
        else if (Under("author") && name == "nickname") Collect(nickname_);
        else if (Under("author") && OneOf(name, kNameParts)) {
            if (!name_.empty()) name_ += ' ';
            Collect(name_);
        }
    }

    void Collect(std::string& into)
    {
        collecting_ = &into;
        collectDepth_ = path_.size();
    }

    void EndAuthor()
    {
        std::string name = BlockTextOf(name_.empty() ? nickname_ : name_);
        if (name.empty() || result_.author.size() > kLargestName) return;
        if (!result_.author.empty()) result_.author += ", ";
        result_.author += name;
    }

    static std::string BlockTextOf(const std::string& text)
    {
        BlockText collapsed;
        collapsed.Add(text);
        return collapsed.Take();
    }

    void Flush()
    {
        std::string text = text_.Take();
        if (!text.empty()) result_.blocks.push_back({std::move(text), 0, false});
    }

    BlockText text_;
    Fb2Text result_;
    std::vector<std::string> path_;  // the open elements' names
    std::size_t silentDepth_ = 0;
    std::size_t collectDepth_ = 0;
    std::string* collecting_ = nullptr;
    std::string name_, nickname_;
    std::size_t chapter_ = 0;  // the current chapter's title block
    int bodies_ = 0;
    int sections_ = 0;  // open sections
};

}  // namespace

Fb2Text ReadFb2Text(const PieceSource& source, std::size_t largest)
{
    Fb2Handler handler(largest);
    MarkupResult markup = ParseMarkup(source, Syntax::Xml, handler);
    Fb2Text text = handler.Take();
    text.markup = std::move(markup);
    return text;
}

}  // namespace document
