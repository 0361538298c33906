#include "epub_package.h"

#include "chapter_builder.h"

namespace document {
namespace {

constexpr std::string_view kOpf = "http://www.idpf.org/2007/opf";
constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::string_view kNcxType = "application/x-dtbncx+xml";
constexpr std::size_t kLargestName = 4096;

bool HasWord(std::string_view list, std::string_view word)
{
    std::size_t at = 0;
    while (at < list.size()) {
        const std::size_t end = std::min(list.find(' ', at), list.size());
        if (list.substr(at, end - at) == word) return true;
        at = end + 1;
    }
    return false;
}

struct Creator {
    std::string id, name, role;
};

class PackageHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (element.Is(kDublinCore, "title") && title_.empty()) collecting_ = &title_;
        else if (element.Is(kDublinCore, "creator")) StartCreator(element);
        else if (element.Is(kOpf, "meta") && element.Attr("property") == "role") StartRole(element);
        else if (element.Is(kOpf, "item")) AddItem(element);
        else if (element.Is(kOpf, "spine")) package_.ncxId = std::string(element.Attr("toc"));
        else if (element.Is(kOpf, "itemref"))
            package_.spine.push_back({std::string(element.Attr("idref")), element.Attr("linear") != "no"});
        else if (element.Is(kOpf, "reference") && element.Attr("type") == "toc")
            package_.tocPages.emplace_back(element.Attr("href"));
    }

    void End(const Element&) override { collecting_ = nullptr; }

    void Text(std::string_view text) override
    {
        if (collecting_ && collecting_->size() < kLargestName) collecting_->append(text.substr(0, kLargestName));
    }

    Package Take()
    {
        package_.title = CollapseSpace(title_);
        std::string authors;
        for (const Creator& creator : creators_) {
            if (!creator.role.empty() && creator.role != "aut") continue;
            if (!authors.empty()) authors += ", ";
            authors += CollapseSpace(creator.name);
        }
        if (authors.empty() && !creators_.empty()) authors = CollapseSpace(creators_.front().name);
        package_.author = std::move(authors);
        return std::move(package_);
    }

private:
    void StartCreator(const Element& element)
    {
        creators_.push_back({std::string(element.Attr("id")), {}, std::string(element.Attr("role", kOpf, "opf"))});
        collecting_ = &creators_.back().name;
    }

    // EPUB 3 gives a creator's role in a meta that refines it.
    void StartRole(const Element& element)
    {
        std::string_view refines = element.Attr("refines");
        if (refines.empty() || refines.front() != '#') return;
        refines.remove_prefix(1);
        for (Creator& creator : creators_) {
            if (creator.id != refines) continue;
            creator.role.clear();
            collecting_ = &creator.role;
        }
    }

    void AddItem(const Element& element)
    {
        const std::string_view id = element.Attr("id");
        if (id.empty()) return;
        package_.manifest.emplace(std::string(id), ManifestItem{std::string(element.Attr("href")),
                                                                std::string(element.Attr("media-type")),
                                                                std::string(element.Attr("properties"))});
    }

    Package package_;
    std::string title_;
    std::vector<Creator> creators_;
    std::string* collecting_ = nullptr;  // the text being gathered
};

}  // namespace

const ManifestItem* Package::Item(std::string_view id) const
{
    auto found = manifest.find(id);
    return found == manifest.end() ? nullptr : &found->second;
}

const ManifestItem* Package::Navigation() const
{
    for (const auto& [id, item] : manifest)
        if (HasWord(item.properties, "nav")) return &item;
    return nullptr;
}

const ManifestItem* Package::Ncx() const
{
    if (const ManifestItem* named = Item(ncxId)) return named;
    for (const auto& [id, item] : manifest)
        if (item.mediaType == kNcxType) return &item;
    return nullptr;
}

PackageReading ReadPackage(const PieceSource& source)
{
    PackageHandler handler;
    PackageReading reading;
    reading.markup = ParseMarkup(source, Syntax::Xml, handler);
    reading.package = handler.Take();
    return reading;
}

}  // namespace document
