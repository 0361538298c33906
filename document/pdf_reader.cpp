// Placeholder until the Pdf reader lands.
#include "readers.h"

namespace document {

Reading ReadPdf(const std::string&)
{
    Reading reading;
    reading.problem = "cannot be read yet";
    return reading;
}

}  // namespace document
