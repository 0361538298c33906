#include "pdf_paragraphs.h"

#include "pdf_hyphens.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace document {
namespace {

// How many lines either side, in reading order, tell a line's column edges.
constexpr std::ptrdiff_t kColumnWindow = 8;
// A gap wider than this many usual line pitches ends a paragraph.
constexpr double kParagraphGap = 1.3;

struct Column {
    double left = 0, right = 0;
};

// Where the lines of a page are, beside their text.
struct PageShape {
    double pitch = 0;            // the usual distance from line to line
    std::vector<Column> columns;  // per line
};

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(values.size() / 2), values.end());
    return values[values.size() / 2];
}

std::vector<double> Pitches(const PdfPage& page)
{
    std::vector<double> pitches;
    for (std::size_t i = 1; i < page.lines.size(); ++i) {
        const PdfLine& before = page.lines[i - 1];
        const PdfLine& line = page.lines[i];
        const double step = line.top - before.top, height = std::max(line.Height(), before.Height());
        if (step > 0.5 * height && step < 3 * height) pitches.push_back(step);
    }
    return pitches;
}

bool Overlap(const PdfLine& a, const PdfLine& b) { return std::min(a.right, b.right) > std::max(a.left, b.left); }

PageShape ShapeOf(const PdfPage& page, double documentPitch)
{
    PageShape shape;
    std::vector<double> pitches = Pitches(page);
    shape.pitch = pitches.size() >= 5 ? Median(std::move(pitches)) : documentPitch;
    const std::ptrdiff_t count = std::ptrdiff_t(page.lines.size());
    shape.columns.resize(page.lines.size());
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        Column column{page.lines[i].left, page.lines[i].right};
        for (std::ptrdiff_t j = std::max<std::ptrdiff_t>(0, i - kColumnWindow);
             j <= std::min(count - 1, i + kColumnWindow); ++j) {
            if (!Overlap(page.lines[i], page.lines[j])) continue;
            column.left = std::min(column.left, page.lines[j].left);
            column.right = std::max(column.right, page.lines[j].right);
        }
        shape.columns[i] = column;
    }
    return shape;
}

// A line with what the break test needs of its page.
struct Placed {
    const PdfLine* line;
    Column column;
    double pitch;
};

bool EndsParagraph(const Placed& before, const Placed& next, bool samePage)
{
    const PdfLine& a = *before.line;
    const PdfLine& b = *next.line;
    const double height = std::max({a.Height(), b.Height(), 1.0});
    if (std::abs(a.Height() - b.Height()) > 0.2 * height) return true;  // another size: a heading
    const bool below = samePage && b.top > a.top && b.left < a.right && b.right > a.left;
    if (below && b.top - a.top > kParagraphGap * std::max(before.pitch, height)) return true;
    // Indented against the line before in the same column, else against its own column.
    const double indent = below ? b.left - a.left : b.left - next.column.left;
    if (indent > 0.6 * height) return true;
    // The next line's first word would have fitted at the end of this one.
    const double room = before.column.right - a.right;
    return room > 0.3 * height + b.firstWordWidth + 0.2 * height;
}

struct MarkOrder {
    bool operator()(const PdfMark& a, const PdfMark& b) const
    {
        if (a.page != b.page) return a.page < b.page;
        return a.top.value_or(-std::numeric_limits<double>::infinity()) <
               b.top.value_or(-std::numeric_limits<double>::infinity());
    }
};

bool StartsAt(const PdfMark& mark, int page, const PdfLine& line)
{
    return mark.page < page || (mark.page == page && (!mark.top || line.Middle() >= *mark.top));
}

}  // namespace

bool FlowParagraphs(const std::vector<PdfPage>& pages, std::vector<PdfMark> marks, ChapterBuilder& builder)
{
    std::stable_sort(marks.begin(), marks.end(), MarkOrder());
    std::vector<double> allPitches;
    for (const PdfPage& page : pages) {
        std::vector<double> pitches = Pitches(page);
        allPitches.insert(allPitches.end(), pitches.begin(), pitches.end());
    }
    const double documentPitch = Median(std::move(allPitches));
    const HyphenJoiner joiner(pages);

    std::string paragraph;
    auto flush = [&] {
        const bool fits = builder.AddBlock(paragraph);
        paragraph.clear();
        return fits;
    };
    std::size_t nextMark = 0;
    std::optional<Placed> before;
    int beforePage = -1;
    for (int p = 0; p < int(pages.size()); ++p) {
        const PageShape shape = ShapeOf(pages[p], documentPitch);
        for (std::size_t i = 0; i < pages[p].lines.size(); ++i) {
            const PdfLine& line = pages[p].lines[i];
            const Placed placed{&line, shape.columns[i], shape.pitch};
            bool chapterStarts = false;
            for (; nextMark < marks.size() && StartsAt(marks[nextMark], p, line); ++nextMark) {
                if (!chapterStarts && !flush()) return false;
                chapterStarts = true;
                builder.StartChapter(marks[nextMark].title);
            }
            if (!chapterStarts && before && EndsParagraph(*before, placed, beforePage == p) && !flush()) return false;
            joiner.Append(paragraph, line.text);
            before = placed;
            beforePage = p;
        }
    }
    return flush();
}

}  // namespace document
