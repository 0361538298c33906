#include "markdown_title_block.h"

#include <vector>

namespace document {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The source cut into lines, each without its line end, with where the next begins.
struct Line {
    std::string_view text;
    std::size_t next;
};

Line LineAt(std::string_view source, std::size_t at)
{
    std::size_t end = source.find('\n', at);
    std::size_t next = end == std::string_view::npos ? source.size() : end + 1;
    std::string_view text = source.substr(at, (end == std::string_view::npos ? source.size() : end) - at);
    if (text.ends_with('\r')) text.remove_suffix(1);
    return {text, next};
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// A YAML scalar as written on one line: quoted ("...", '...') or plain.
std::string Scalar(std::string_view value)
{
    value = Trim(value);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        std::string out;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            if (value[i] == '\\' && i + 2 < value.size()) ++i;
            out += value[i];
        }
        return out;
    }
    if (value.size() >= 2 && value.front() == '\'' && value.back() == '\'') {
        std::string out;
        for (std::size_t i = 1; i + 1 < value.size(); ++i) {
            out += value[i];
            if (value[i] == '\'' && value[i + 1] == '\'') ++i;
        }
        return out;
    }
    if (std::size_t comment = value.find(" #"); comment != std::string_view::npos) value = Trim(value.substr(0, comment));
    return std::string(value);
}

void AddName(std::string& names, std::string name)
{
    if (name.empty()) return;
    if (!names.empty()) names += ", ";
    names += name;
}

// "[A, B]" or a plain scalar.
std::string InlineValue(std::string_view value)
{
    value = Trim(value);
    if (value.size() < 2 || value.front() != '[' || value.back() != ']') return Scalar(value);
    std::string names;
    value = value.substr(1, value.size() - 2);
    while (!value.empty()) {
        std::size_t comma = value.find(',');
        AddName(names, Scalar(value.substr(0, comma)));
        value = comma == std::string_view::npos ? std::string_view() : value.substr(comma + 1);
    }
    return names;
}

// The lines under a key with an empty value: "- A" items ("- name: A" too),
// or the indented text of a block scalar ("|", ">").
std::string NestedValue(const std::vector<std::string_view>& lines, std::size_t& i)
{
    std::string value;
    while (i + 1 < lines.size() && !lines[i + 1].empty() && (lines[i + 1][0] == ' ' || lines[i + 1][0] == '-')) {
        std::string_view item = Trim(lines[++i]);
        if (item.starts_with("- ")) {
            item = Trim(item.substr(2));
            if (item.starts_with("name:")) item = item.substr(5);
            AddName(value, Scalar(item));
        } else if (item.starts_with("name:")) {
            AddName(value, Scalar(item.substr(5)));
        } else if (!item.starts_with("affiliation:") && !item.starts_with("email:")) {
            if (!value.empty()) value += ' ';
            value += item;
        }
    }
    return value;
}

bool YamlFrontMatter(std::string_view source, TitleBlock& block)
{
    Line first = LineAt(source, 0);
    if (Trim(first.text) != "---") return false;
    std::vector<std::string_view> lines;
    for (std::size_t at = first.next; at < source.size();) {
        Line line = LineAt(source, at);
        std::string_view fence = Trim(line.text);
        if (fence == "---" || fence == "...") {
            block.body = source.substr(line.next);
            for (std::size_t i = 0; i < lines.size(); ++i) {
                std::string_view text = lines[i];
                std::size_t colon = text.find(':');
                if (colon == std::string_view::npos || text.empty() || text[0] == ' ') continue;
                std::string_view key = Trim(text.substr(0, colon)), value = Trim(text.substr(colon + 1));
                std::string parsed = value.empty() || value == "|" || value == ">" ? NestedValue(lines, i) : InlineValue(value);
                if (key == "title") block.title = parsed;
                else if (key == "author" || key == "authors") block.author = parsed;
            }
            return true;
        }
        lines.push_back(line.text);
        at = line.next;
    }
    return false;  // never closed: a thematic break, not front matter
}

// "% Title", "% Author; Author", "% Date"; a line starting with a blank continues the one before.
bool PandocTitleBlock(std::string_view source, TitleBlock& block)
{
    if (!source.starts_with('%')) return false;
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (at < source.size()) {
        Line line = LineAt(source, at);
        if (line.text.starts_with('%') && fields.size() < 3) {
            fields.emplace_back(Trim(line.text.substr(1)));
        } else if (!fields.empty() && !line.text.empty() && (line.text[0] == ' ' || line.text[0] == '\t')) {
            fields.back() += ' ';
            fields.back() += Trim(line.text);
        } else {
            break;
        }
        at = line.next;
    }
    block.body = source.substr(at);
    if (!fields.empty()) block.title = fields[0];
    if (fields.size() > 1) {
        std::string_view authors = fields[1];
        while (!authors.empty()) {
            std::size_t semicolon = authors.find(';');
            AddName(block.author, std::string(Trim(authors.substr(0, semicolon))));
            authors = semicolon == std::string_view::npos ? std::string_view() : authors.substr(semicolon + 1);
        }
    }
    return true;
}

}  // namespace

TitleBlock SplitTitleBlock(std::string_view source)
{
    if (source.starts_with(kByteOrderMark)) source.remove_prefix(kByteOrderMark.size());
    TitleBlock block;
    block.body = source;
    block.found = YamlFrontMatter(source, block) || PandocTitleBlock(source, block);
    if (!block.found) block.body = source;
    return block;
}

}  // namespace document
