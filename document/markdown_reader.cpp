// Placeholder until the Markdown reader lands.
#include "readers.h"

namespace document {

Reading ReadMarkdown(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
