// Footnotes are not read aloud: their definitions ("[^1]: ...", with their
// indented continuation) and the marks that point at them ("[^1]") leave the
// Markdown before it is parsed. Fenced code keeps what it shows.
#pragma once

#include <string>
#include <string_view>

namespace document {

std::string RemoveFootnotes(std::string_view markdown);

}  // namespace document
