// The problem phrase of a document whose text passes the largest size, for
// the PDF and the Markdown reader.
#pragma once

#include <cstddef>
#include <string>

namespace document {

// "has more than 64 MiB of text, the most that is read"
std::string TooLongProblem(std::size_t largestText);

}  // namespace document
