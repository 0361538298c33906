#include "too_long.h"

namespace document {

std::string TooLongProblem(std::size_t largestText)
{
    const std::size_t mebibyte = std::size_t{1} << 20;
    const std::string size = largestText % mebibyte == 0 ? std::to_string(largestText / mebibyte) + " MiB"
                                                         : std::to_string(largestText) + " bytes";
    return "has more than " + size + " of text, the most that is read";
}

}  // namespace document
