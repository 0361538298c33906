// What a file is, by its first bytes (and a ZIP file by its entries). Anything
// not clearly a document stays a text file, read as text files always were.
#include "zip_archive.h"

#include <varnel/document.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace document {
namespace {

constexpr std::size_t kHeadSize = 64 * 1024;
constexpr std::size_t kLargestMimetype = 256;
constexpr std::string_view kEpubType = "application/epub+zip";
constexpr std::string_view kOdtType = "application/vnd.oasis.opendocument.text";

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string Head(const std::string& path)
{
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return {};
    std::string head(kHeadSize, '\0');
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    return head;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
           });
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

std::uint32_t Little16(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
}

// The mimetype stored first, as EPUB and ODT put it, from the first local
// header alone: so an archive cut short is still known for what it is, and
// reported as damaged rather than read as text.
std::string_view FirstStoredMimetype(std::string_view head)
{
    constexpr std::size_t kHeaderSize = 30;
    if (head.size() < kHeaderSize || head.substr(0, 4) != std::string_view("PK\x03\x04", 4)) return {};
    const std::uint32_t method = Little16(head, 8);
    const std::size_t nameLength = Little16(head, 26);
    const std::size_t extraLength = Little16(head, 28);
    if (method != 0 || head.substr(kHeaderSize, nameLength) != "mimetype") return {};
    const std::size_t data = kHeaderSize + nameLength + extraLength;
    if (data >= head.size()) return {};
    std::string_view type = head.substr(data, kLargestMimetype);
    for (std::string_view known : {kEpubType, kOdtType})
        if (type.substr(0, known.size()) == known) return known;
    return {};
}

// The entry names of the local headers in the head, as far as each header
// gives its data's size: a DOCX cut short is known by them.
std::vector<std::string_view> LocalNames(std::string_view head)
{
    constexpr std::size_t kHeaderSize = 30;
    constexpr std::uint32_t kSizesFollowData = 0x08;
    std::vector<std::string_view> names;
    std::size_t at = 0;
    while (at + kHeaderSize <= head.size() && head.substr(at, 4) == std::string_view("PK\x03\x04", 4)) {
        const std::uint64_t compressed = Little16(head, at + 18) | std::uint64_t{Little16(head, at + 20)} << 16;
        const std::size_t nameLength = Little16(head, at + 26), extraLength = Little16(head, at + 28);
        names.push_back(head.substr(at + kHeaderSize, nameLength));
        if (Little16(head, at + 6) & kSizesFollowData) break;
        at += kHeaderSize + nameLength + extraLength + compressed;
    }
    return names;
}

Kind DamagedZipKind(std::string_view head)
{
    const std::string_view type = FirstStoredMimetype(head);
    if (type == kEpubType) return Kind::Epub;
    if (type == kOdtType) return Kind::Odt;
    const std::vector<std::string_view> names = LocalNames(head);
    const bool types = std::find(names.begin(), names.end(), "[Content_Types].xml") != names.end();
    const bool word = std::any_of(names.begin(), names.end(), [](std::string_view name) { return name.substr(0, 5) == "word/"; });
    return types && word ? Kind::Docx : Kind::Text;
}

Kind ZipKind(const std::string& path, std::string_view head)
{
    std::string problem;
    std::unique_ptr<ZipArchive> archive = ZipArchive::Open(path, problem);
    if (!archive) return DamagedZipKind(head);
    if (const std::string name = archive->Find("mimetype"); !name.empty()) {
        std::optional<std::string> type = archive->SmallEntry(name, kLargestMimetype);
        std::string_view trimmed = type ? std::string_view(*type) : std::string_view();
        while (!trimmed.empty() && std::isspace(static_cast<unsigned char>(trimmed.back()))) trimmed.remove_suffix(1);
        if (trimmed == kEpubType) return Kind::Epub;
        if (trimmed == kOdtType) return Kind::Odt;
    }
    if (!archive->Find("[Content_Types].xml").empty() && !archive->Find("word/document.xml").empty()) return Kind::Docx;
    return Kind::Text;
}

// The head as single bytes: UTF-16 text (after its byte order mark) keeps
// its ASCII, which is all the checks below look at.
std::string Narrowed(std::string_view head)
{
    if (head.size() >= 3 && head.substr(0, 3) == "\xEF\xBB\xBF") return std::string(head.substr(3));
    const bool little = head.size() >= 2 && head.substr(0, 2) == "\xFF\xFE";
    const bool big = head.size() >= 2 && head.substr(0, 2) == "\xFE\xFF";
    if (!little && !big) return std::string(head);
    std::string narrow;
    for (std::size_t i = 2; i + 1 < head.size(); i += 2) {
        const char low = head[i + (little ? 0 : 1)], high = head[i + (little ? 1 : 0)];
        narrow += high == 0 ? low : '\x80';
    }
    return narrow;
}

// Skips what may come before a document's first element: white space,
// comments, the XML declaration and other processing instructions; the
// DOCTYPE too unless `stopAtDoctype`.
std::string_view SkipProlog(std::string_view text, bool stopAtDoctype)
{
    for (;;) {
        std::size_t blank = 0;
        while (blank < text.size() && std::isspace(static_cast<unsigned char>(text[blank]))) ++blank;
        text.remove_prefix(blank);
        std::string_view end;
        if (text.substr(0, 4) == "<!--") end = "-->";
        else if (text.substr(0, 2) == "<?") end = "?>";
        else if (StartsWithNoCase(text, "<!doctype") && !stopAtDoctype) end = ">";
        else return text;
        const std::size_t close = text.find(end, 2);
        if (close == std::string_view::npos) return {};
        text.remove_prefix(close + end.size());
    }
}

bool NameEndsAt(std::string_view text, std::size_t at)
{
    return at < text.size() && (std::isspace(static_cast<unsigned char>(text[at])) || text[at] == '>' || text[at] == '/');
}

Kind MarkupKind(std::string_view head)
{
    const std::string narrow = Narrowed(head);
    std::string_view start = SkipProlog(narrow, true);
    if (StartsWithNoCase(start, "<!doctype")) {
        std::string_view rest = start.substr(9);
        std::size_t blank = 0;
        while (blank < rest.size() && std::isspace(static_cast<unsigned char>(rest[blank]))) ++blank;
        if (blank > 0 && StartsWithNoCase(rest.substr(blank), "html") && NameEndsAt(rest, blank + 4)) return Kind::Html;
        start = SkipProlog(start, false);
    }
    if (StartsWithNoCase(start, "<html") && NameEndsAt(start, 5)) return Kind::Html;
    if (start.substr(0, 12) == "<FictionBook" && NameEndsAt(start, 12)) return Kind::Fb2;
    return Kind::Text;
}

}  // namespace

Kind Recognise(const std::string& path)
{
    // Only a regular file is looked into: the head of a pipe, once read,
    // would be gone for the text loader.
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return Kind::Text;
    const std::string head = Head(path);
    if (head.substr(0, 4) == std::string_view("PK\x03\x04", 4)) {
        if (Kind kind = ZipKind(path, head); kind != Kind::Text) return kind;
    }
    if (std::string_view(head).substr(0, 1024).find("%PDF-") != std::string_view::npos) return Kind::Pdf;
    if (Kind kind = MarkupKind(head); kind != Kind::Text) return kind;
    const std::string name = std::filesystem::path(path).filename().string();
    if (EndsWithNoCase(name, ".md") || EndsWithNoCase(name, ".markdown")) return Kind::Markdown;
    return Kind::Text;
}

}  // namespace document
