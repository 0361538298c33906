#include "pdf_running_heads.h"

#include "chapter_builder.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace document {
namespace {

// How far apart (in pages) two pages may be for their edge rows to count as
// repeating: odd and even pages carry different heads, and a chapter's first
// page often none.
constexpr int kRepeatDistance = 4;

enum class Edge { Top, Bottom };

// The lines of a page's top or bottom row: those level with the topmost
// (bottommost) line.
struct Row {
    std::vector<std::size_t> lines;  // indexes into the page's lines
    std::string text;                // their text, left to right
    std::string key;                 // the text with every run of digits as '#'
};

std::string KeyOf(std::string_view text)
{
    std::string key;
    for (std::size_t i = 0; i < text.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isdigit(c)) {
            if (key.empty() || key.back() != '#') key += '#';
        } else {
            key += char(std::tolower(c));
        }
    }
    return CollapseSpace(key);
}

std::optional<Row> EdgeRow(const PdfPage& page, Edge edge)
{
    if (page.lines.empty()) return std::nullopt;
    std::size_t outer = 0;
    for (std::size_t i = 1; i < page.lines.size(); ++i) {
        const bool further = edge == Edge::Top ? page.lines[i].top < page.lines[outer].top
                                               : page.lines[i].bottom > page.lines[outer].bottom;
        if (further) outer = i;
    }
    const PdfLine& edgeLine = page.lines[outer];
    Row row;
    for (std::size_t i = 0; i < page.lines.size(); ++i) {
        const double middle = page.lines[i].Middle();
        if (middle >= edgeLine.top && middle <= edgeLine.bottom) row.lines.push_back(i);
    }
    if (row.lines.size() == page.lines.size() && edge == Edge::Bottom) return std::nullopt;  // one row: the top's
    std::vector<std::size_t> byLeft = row.lines;
    std::sort(byLeft.begin(), byLeft.end(),
              [&](std::size_t a, std::size_t b) { return page.lines[a].left < page.lines[b].left; });
    for (std::size_t i : byLeft) {
        if (!row.text.empty()) row.text += ' ';
        row.text += page.lines[i].text;
    }
    row.key = KeyOf(row.text);
    return row;
}

// Only well-formed numerals ("xiv", not "mid" or "civil").
bool IsRomanNumeral(std::string_view word)
{
    if (word.empty() || word.size() > 12) return false;
    static const std::pair<int, std::string_view> kDigits[] = {{1000, "m"}, {900, "cm"}, {500, "d"}, {400, "cd"},
                                                                {100, "c"},  {90, "xc"},  {50, "l"},  {40, "xl"},
                                                                {10, "x"},   {9, "ix"},   {5, "v"},   {4, "iv"},
                                                                {1, "i"}};
    int value = 0;
    std::string rest(word);
    for (const auto& [amount, digits] : kDigits)
        while (rest.starts_with(digits)) value += amount, rest.erase(0, digits.size());
    if (!rest.empty() || value == 0 || value > 3999) return false;
    std::string canonical;
    for (const auto& [amount, digits] : kDigits)
        while (value >= amount) canonical += digits, value -= amount;
    return canonical == word;
}

bool IsMarkOf(const std::string& text, int pageIndex, const std::vector<PdfMark>& marks)
{
    return std::any_of(marks.begin(), marks.end(),
                       [&](const PdfMark& mark) { return mark.page == pageIndex && SameTitle(mark.title, text); });
}

}  // namespace

bool IsPageNumber(std::string_view text)
{
    // Words, with the decoration around page numbers ("- 3 -", "[3]", "3 | 40") as separators.
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || u >= 0x80) {
            word += char(std::tolower(u));
        } else if (std::string_view(" -|[]()/.:").find(c) != std::string_view::npos) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            return false;
        }
    }
    if (!word.empty()) words.push_back(std::move(word));
    // Dashes other than the hyphen are multi-byte: "– 3 –" arrives as their bytes.
    std::erase_if(words, [](const std::string& w) { return w == "\xE2\x80\x93" || w == "\xE2\x80\x94"; });
    auto isNumber = [](const std::string& w) {
        return (!w.empty() && w.size() <= 6 && std::all_of(w.begin(), w.end(), ::isdigit)) || IsRomanNumeral(w);
    };
    std::size_t at = 0;
    if (at < words.size() && (words[at] == "page" || words[at] == "p")) ++at;
    if (at >= words.size() || !isNumber(words[at++])) return false;
    if (at < words.size() && words[at] == "of") ++at;
    if (at < words.size() && isNumber(words[at])) ++at;
    return at == words.size();
}

std::vector<std::size_t> EdgeLines(const PdfPage& page)
{
    std::vector<std::size_t> lines;
    for (Edge edge : {Edge::Top, Edge::Bottom})
        if (std::optional<Row> row = EdgeRow(page, edge)) lines.insert(lines.end(), row->lines.begin(), row->lines.end());
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    return lines;
}

void RemoveRunningHeads(std::vector<PdfPage>& pages, const std::vector<PdfMark>& marks)
{
    const int pageCount = int(pages.size());
    for (Edge edge : {Edge::Top, Edge::Bottom}) {
        std::vector<std::optional<Row>> rows(pages.size());
        for (int p = 0; p < pageCount; ++p) rows[p] = EdgeRow(pages[p], edge);
        std::vector<std::vector<std::size_t>> doomed(pages.size());
        for (int p = 0; p < pageCount; ++p) {
            if (!rows[p] || rows[p]->key.empty()) continue;
            bool repeats = false;
            for (int q = std::max(0, p - kRepeatDistance); q <= std::min(pageCount - 1, p + kRepeatDistance); ++q)
                repeats = repeats || (q != p && rows[q] && rows[q]->key == rows[p]->key);
            if (!repeats && !IsPageNumber(rows[p]->text)) continue;
            if (IsMarkOf(rows[p]->text, p, marks)) continue;
            doomed[p] = rows[p]->lines;
        }
        for (int p = 0; p < pageCount; ++p) {
            std::vector<PdfLine>& lines = pages[p].lines;
            std::sort(doomed[p].rbegin(), doomed[p].rend());
            for (std::size_t i : doomed[p]) lines.erase(lines.begin() + std::ptrdiff_t(i));
        }
    }
}

}  // namespace document
