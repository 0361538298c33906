// Placeholder until the Docx reader lands.
#include "readers.h"

namespace document {

Reading ReadDocx(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
