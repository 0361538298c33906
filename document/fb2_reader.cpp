// Placeholder until the Fb2 reader lands.
#include "readers.h"

namespace document {

Reading ReadFb2(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
