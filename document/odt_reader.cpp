// Placeholder until the Odt reader lands.
#include "readers.h"

namespace document {

Reading ReadOdt(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
