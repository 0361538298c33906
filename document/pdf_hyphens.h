// Joining the lines of a paragraph: a word broken at a line end ("exam-" and
// "ple") is joined, a compound that breaks at its own hyphen ("north-" and
// "east") keeps it when the document writes it so elsewhere, other lines meet
// with a blank.
#pragma once

#include "pdf_layout.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace document {

class HyphenJoiner {
public:
    // Learns, from the whole text, how the words broken at line ends are
    // written where they are not broken.
    explicit HyphenJoiner(const std::vector<PdfPage>& pages);

    // Appends `line` to `paragraph`, which ends with the line before it.
    void Append(std::string& paragraph, std::string_view line) const;

private:
    // Whether the text has, inside a line, the lower-case compound
    // ("north-east") or the joined word ("northeast") of a line-end break.
    std::unordered_map<std::string, bool> seen_;
};

}  // namespace document
