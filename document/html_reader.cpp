// Placeholder until the Html reader lands.
#include "readers.h"

namespace document {

Reading ReadHtml(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
