// The PDF reader with the largest text as a parameter, so that tests reach the
// limit with a small document (readers.h has the reader with the real one).
#pragma once

#include <varnel/document.h>

#include <cstddef>
#include <string>

namespace document {

Reading ReadPdf(const std::string& path, std::size_t largestText);

}  // namespace document
