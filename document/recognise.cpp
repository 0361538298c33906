// Placeholder until recognition by content lands.
#include <varnel/document.h>

namespace document {

Kind Recognise(const std::string&) { return Kind::Text; }

}  // namespace document
