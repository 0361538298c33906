#include "epub_paths.h"

#include <vector>

namespace document {
namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string PercentDecoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
            out += static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool HasScheme(std::string_view href)
{
    const std::size_t colon = href.find(':');
    if (colon == std::string_view::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = href[i];
        if (c == '/' || c == '?' || c == '#') return false;
    }
    return true;
}

}  // namespace

LinkTarget ResolveLink(std::string_view from, std::string_view href)
{
    LinkTarget target;
    if (HasScheme(href)) return target;
    const std::size_t hash = href.find('#');
    if (hash != std::string_view::npos) {
        target.fragment = PercentDecoded(href.substr(hash + 1));
        href = href.substr(0, hash);
    }
    if (const std::size_t query = href.find('?'); query != std::string_view::npos) href = href.substr(0, query);
    if (href.empty()) {
        target.file = std::string(from);
        return target;
    }
    std::string path = PercentDecoded(href);
    if (path.front() != '/') {
        const std::size_t slash = from.rfind('/');
        path = (slash == std::string_view::npos ? std::string() : std::string(from.substr(0, slash + 1))) + path;
    }
    std::vector<std::string> parts;
    std::size_t at = 0;
    while (at <= path.size()) {
        const std::size_t end = std::min(path.find('/', at), path.size());
        const std::string part = path.substr(at, end - at);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    for (const std::string& part : parts) target.file += (target.file.empty() ? "" : "/") + part;
    return target;
}

}  // namespace document
