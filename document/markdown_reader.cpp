// Markdown: the file's bytes through the parser, named after the file when it
// has no title.
#include "readers.h"

#include "markdown_parser.h"
#include "too_long.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace document {
namespace {

// Markup makes the source longer than its text; past twice the largest text
// the text is too long.
constexpr std::size_t kLargestSource = 2 * kLargestText;

Reading Problem(std::string problem)
{
    Reading reading;
    reading.problem = std::move(problem);
    return reading;
}

}  // namespace

Reading ReadMarkdown(const std::string& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return Problem("is a folder, not a Markdown file");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::string why = std::error_code(errno, std::generic_category()).message();
        if (!why.empty()) why[0] = char(std::tolower(static_cast<unsigned char>(why[0])));
        return Problem("cannot be opened: " + why);
    }
    std::string bytes;
    char buffer[1 << 16];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.append(buffer, std::size_t(in.gcount()));
        if (bytes.size() > kLargestSource) return Problem(TooLongProblem(kLargestText));
    }
    if (in.bad()) return Problem("cannot be read");
    return ParseMarkdown(bytes, std::filesystem::path(path).stem().string());
}

}  // namespace document
