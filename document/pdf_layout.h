// The text of a PDF as its pages lay it out: lines in reading order with their
// boxes, and the outline's top-level entries. Plain values, so that what turns
// lines into paragraphs and chapters never sees poppler.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace document {

// Page coordinates: points, y growing down from the page's top edge.
struct PdfLine {
    std::string text;  // UTF-8, no line end
    double left = 0, top = 0, right = 0, bottom = 0;
    double firstWordWidth = 0;  // to tell whether it would have fitted on the line before

    double Height() const { return bottom - top; }
    double Middle() const { return (top + bottom) / 2; }
};

struct PdfPage {
    std::vector<PdfLine> lines;  // reading order
};

// A top-level outline entry: where its chapter starts.
struct PdfMark {
    std::string title;
    int page = 0;               // from 0
    std::optional<double> top;  // on the page, when the destination gives it
};

}  // namespace document
