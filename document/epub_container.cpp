#include "epub_container.h"

#include <array>
#include <algorithm>

namespace document {
namespace {

constexpr std::string_view kPackageType = "application/oebps-package+xml";
constexpr std::string_view kXmlEncryption = "http://www.w3.org/2001/04/xmlenc#";
// Font obfuscation: fonts are scrambled against copying, the text is not.
constexpr std::array<std::string_view, 2> kFontObfuscation = {"http://www.idpf.org/2008/embedding",
                                                              "http://ns.adobe.com/pdf/enc#RC"};
constexpr std::array<std::string_view, 5> kFontEndings = {".ttf", ".otf", ".woff", ".woff2", ".ttc"};

class ContainerHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (element.local != "rootfile") return;
        const std::string_view path = element.Attr("full-path");
        if (path.empty()) return;
        if (element.Attr("media-type") == kPackageType && !typed_) {
            typed_ = true;
            package_ = std::string(path);
        } else if (package_.empty()) {
            package_ = std::string(path);
        }
    }
    void End(const Element&) override {}
    void Text(std::string_view) override {}
    bool Done() const override { return typed_; }
    std::string package_;

private:
    bool typed_ = false;
};

bool IsFont(std::string_view name)
{
    return std::any_of(kFontEndings.begin(), kFontEndings.end(), [&](std::string_view ending) {
        if (name.size() < ending.size()) return false;
        return std::equal(ending.begin(), ending.end(), name.end() - static_cast<std::ptrdiff_t>(ending.size()),
                          [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); });
    });
}

class EncryptionHandler : public MarkupHandler {
public:
    void Start(const Element& element) override
    {
        if (element.Is(kXmlEncryption, "EncryptedData")) algorithm_.clear(), reference_.clear();
        else if (element.Is(kXmlEncryption, "EncryptionMethod")) algorithm_ = std::string(element.Attr("Algorithm"));
        else if (element.Is(kXmlEncryption, "CipherReference")) reference_ = std::string(element.Attr("URI"));
    }
    void End(const Element& element) override
    {
        if (!element.Is(kXmlEncryption, "EncryptedData") || !locked_.empty()) return;
        const bool obfuscated = std::find(kFontObfuscation.begin(), kFontObfuscation.end(), algorithm_) != kFontObfuscation.end();
        if (!obfuscated && !IsFont(reference_)) locked_ = reference_.empty() ? "an encrypted part" : reference_;
    }
    void Text(std::string_view) override {}
    bool Done() const override { return !locked_.empty(); }
    std::string locked_;

private:
    std::string algorithm_, reference_;
};

}  // namespace

ContainerReading ReadContainer(const PieceSource& source)
{
    ContainerHandler handler;
    ContainerReading reading;
    reading.markup = ParseMarkup(source, Syntax::Xml, handler);
    reading.packagePath = std::move(handler.package_);
    return reading;
}

EncryptionReading ReadEncryption(const PieceSource& source)
{
    EncryptionHandler handler;
    EncryptionReading reading;
    reading.markup = ParseMarkup(source, Syntax::Xml, handler);
    reading.lockedPart = std::move(handler.locked_);
    return reading;
}

}  // namespace document
