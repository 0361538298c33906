#include "pdf_hyphens.h"

#include <cctype>

namespace document {
namespace {

constexpr std::string_view kSoftHyphen = "\xC2\xAD";
constexpr std::string_view kUnicodeHyphen = "\xE2\x80\x90";

// The length of the letter (or digit) at `at`, 0 when there is none: ASCII
// letters and digits, and every character beyond ASCII but the punctuation
// blocks (U+2000 to U+2BFF, and Latin-1's U+0080 to U+00BF).
std::size_t LetterAt(std::string_view text, std::size_t at)
{
    if (at >= text.size()) return 0;
    const unsigned char lead = static_cast<unsigned char>(text[at]);
    if (lead < 0x80) return std::isalnum(lead) ? 1 : 0;
    std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || at + length > text.size() || lead == 0xC2 || lead == 0xE2) return 0;
    return length;
}

// The length of the hyphen at `at` (ASCII or U+2010), 0 when there is none.
std::size_t HyphenAt(std::string_view text, std::size_t at)
{
    if (at < text.size() && text[at] == '-') return 1;
    return text.substr(at).starts_with(kUnicodeHyphen) ? kUnicodeHyphen.size() : 0;
}

std::string Lower(std::string_view text)
{
    std::string lower;
    for (char c : text) lower += char(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// The hyphen that ends `text` right after a letter, and the letters and inner
// hyphens before it ("mother-in" of "mother-in-"), lower-cased with ASCII hyphens.
struct BrokenEnd {
    std::size_t hyphenLength = 0;
    std::string before;
};

BrokenEnd BrokenEndOf(std::string_view text)
{
    BrokenEnd end;
    std::size_t hyphen = text.size() >= 1 && text.back() == '-' ? 1
                       : text.ends_with(kUnicodeHyphen)         ? kUnicodeHyphen.size()
                                                                : 0;
    if (hyphen == 0) return end;
    std::size_t start = text.size() - hyphen;
    std::string word;
    // Walk back over letters and hyphens between letters.
    std::size_t at = start;
    while (at > 0) {
        std::size_t back = at - 1;
        while (back > 0 && (static_cast<unsigned char>(text[back]) & 0xC0) == 0x80) --back;
        if (LetterAt(text, back) == at - back || (HyphenAt(text, back) == at - back && at < start)) {
            at = back;
        } else {
            break;
        }
    }
    at += HyphenAt(text, at);
    if (at >= start) return end;
    end.hyphenLength = hyphen;
    for (std::size_t i = at; i < start;) {
        if (std::size_t h = HyphenAt(text, i)) {
            end.before += '-';
            i += h;
        } else {
            end.before += char(std::tolower(static_cast<unsigned char>(text[i])));
            ++i;
        }
    }
    return end;
}

std::string_view LeadingLetters(std::string_view text)
{
    std::size_t at = 0;
    while (std::size_t length = LetterAt(text, at)) at += length;
    return text.substr(0, at);
}

// Every word of a line, lower-cased, compounds with their hyphens, and whether
// it ends the line broken.
template <typename Visit>
void ForEachWord(std::string_view line, Visit visit)
{
    std::size_t at = 0;
    while (at < line.size()) {
        if (!LetterAt(line, at)) {
            ++at;
            continue;
        }
        std::string word;
        while (at < line.size()) {
            if (std::size_t length = LetterAt(line, at)) {
                word += Lower(line.substr(at, length));
                at += length;
            } else if (std::size_t hyphen = HyphenAt(line, at); hyphen && LetterAt(line, at + hyphen)) {
                word += '-';
                at += hyphen;
            } else {
                break;
            }
        }
        const bool broken = at < line.size() && HyphenAt(line, at) && at + HyphenAt(line, at) == line.size();
        visit(word, broken);
    }
}

}  // namespace

HyphenJoiner::HyphenJoiner(const std::vector<PdfPage>& pages)
{
    // First the words broken at line ends, then how the text writes them elsewhere.
    for (const PdfPage& page : pages)
        for (std::size_t i = 0; i + 1 < page.lines.size(); ++i) {
            BrokenEnd end = BrokenEndOf(page.lines[i].text);
            std::string after = Lower(LeadingLetters(page.lines[i + 1].text));
            if (end.hyphenLength == 0 || after.empty()) continue;
            seen_.emplace(end.before + '-' + after, false);
            seen_.emplace(end.before + after, false);
        }
    if (seen_.empty()) return;
    for (const PdfPage& page : pages)
        for (const PdfLine& line : page.lines)
            ForEachWord(line.text, [&](const std::string& word, bool broken) {
                if (broken) return;
                auto found = seen_.find(word);
                if (found != seen_.end()) found->second = true;
            });
}

void HyphenJoiner::Append(std::string& paragraph, std::string_view line) const
{
    if (paragraph.empty()) {
        paragraph += line;
        return;
    }
    if (paragraph.ends_with(kSoftHyphen)) {
        paragraph.resize(paragraph.size() - kSoftHyphen.size());
        paragraph += line;
        return;
    }
    BrokenEnd end = BrokenEndOf(paragraph);
    if (end.hyphenLength == 0 || !LetterAt(line, 0)) {
        paragraph += ' ';
        paragraph += line;
        return;
    }
    // A capital or a digit after the break ("Jean-" "Paul", "COVID-" "19") keeps the hyphen.
    const unsigned char first = static_cast<unsigned char>(line[0]);
    bool keep = std::isupper(first) || std::isdigit(first);
    if (!keep) {
        const std::string after = Lower(LeadingLetters(line));
        auto hyphenated = seen_.find(end.before + '-' + after);
        auto joined = seen_.find(end.before + after);
        keep = hyphenated != seen_.end() && hyphenated->second && !(joined != seen_.end() && joined->second);
    }
    if (!keep) paragraph.resize(paragraph.size() - end.hyphenLength);
    paragraph += line;
}

}  // namespace document
