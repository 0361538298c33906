// Placeholder until the Epub reader lands.
#include "readers.h"

namespace document {

Reading ReadEpub(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
