#include "office_text.h"

namespace document {
namespace {

constexpr std::string_view kMeta = "urn:oasis:names:tc:opendocument:xmlns:meta:1.0";
constexpr std::string_view kDublinCore = "http://purl.org/dc/elements/1.1/";
constexpr std::size_t kLargestName = 4096;

class MetadataHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (element.Is(kDublinCore, "title") && title_.empty()) collecting_ = &title_;
        else if (element.Is(kDublinCore, "creator") && creator_.empty()) collecting_ = &creator_;
        else if (element.Is(kMeta, "initial-creator") && initialCreator_.empty()) collecting_ = &initialCreator_;
    }
    void End(const Element&) override { collecting_ = nullptr; }
    void Text(std::string_view text) override
    {
        if (collecting_ && collecting_->size() < kLargestName) collecting_->append(text.substr(0, kLargestName));
    }
    std::string title_, creator_, initialCreator_;

private:
    std::string* collecting_ = nullptr;
};

}  // namespace

OfficeMetadata ReadOfficeMetadata(const PieceSource& source)
{
    MetadataHandler handler;
    OfficeMetadata metadata;
    metadata.markup = ParseMarkup(source, Syntax::Xml, handler);
    metadata.title = std::move(handler.title_);
    metadata.author = handler.initialCreator_.empty() ? std::move(handler.creator_) : std::move(handler.initialCreator_);
    return metadata;
}

}  // namespace document
