// The Markdown reader on bytes from memory: any input gives a document of
// valid UTF-8 chapters or one problem, and text without markup keeps its words.
#include "fuzz_target.h"

#include <markdown_parser.h>

#include <cctype>
#include <string>

namespace {

// Well-formed UTF-8 without surrogates or overlong forms.
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2 : lead >= 0xE0 && lead < 0xF0 ? 3
                                 : lead >= 0xF0 && lead < 0xF5 ? 4 : 0;
        if (length == 0 || i + length > text.size()) return false;
        unsigned long c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const unsigned char next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        static const unsigned long kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return false;
        i += length;
    }
    return true;
}

bool Trimmed(std::string_view text)
{
    return !text.empty() && text.front() != ' ' && text.back() != ' ' && text.front() != '\n' && text.back() != '\n';
}

// Letters, blanks, line ends, full stops and commas only: no markup.
bool IsPlainProse(std::string_view text)
{
    for (char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (!(std::isalpha(u) || c == ' ' || c == '\n' || c == '.' || c == ',')) return false;
    }
    return true;
}

std::string Words(std::string_view text)
{
    std::string words;
    bool blank = false;
    for (char c : text) {
        if (c == ' ' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !words.empty()) words += ' ';
        blank = false;
        words += c;
    }
    return words;
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzMarkdown)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    constexpr std::size_t kLargest = 4096;  // small, so that the limit is reached too
    const document::Reading reading = document::ParseMarkdown(bytes, "fuzz", kLargest);
    if (!reading.ok) {
        FUZZ_CHECK(!reading.problem.empty());
        return 0;
    }
    const document::Document& doc = reading.document;
    FUZZ_CHECK(!doc.chapters.empty());
    FUZZ_CHECK(IsUtf8(doc.title) && IsUtf8(doc.author));
    std::size_t total = 0;
    for (const document::Chapter& chapter : doc.chapters) {
        FUZZ_CHECK(!chapter.title.empty() && IsUtf8(chapter.title));
        FUZZ_CHECK(Trimmed(chapter.text) && IsUtf8(chapter.text));
        FUZZ_CHECK(chapter.text.find("\n\n\n") == std::string::npos);
        total += chapter.text.size();
    }
    FUZZ_CHECK(total <= kLargest);
    // Prose without markup (indented or not) is read word for word.
    if (IsPlainProse(bytes) && bytes.find_first_not_of(" \n") != std::string_view::npos) {
        std::string spoken;
        for (const document::Chapter& chapter : doc.chapters) spoken += chapter.text + ' ';
        FUZZ_CHECK(Words(spoken) == Words(bytes));
    }
    return 0;
}
