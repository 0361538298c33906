#include "markdown_footnotes.h"

#include <set>
#include <vector>

namespace document {
namespace {

struct SourceLine {
    std::string_view text;  // with its line end
    bool inFence = false;
    bool footnote = false;  // part of a footnote's definition
};

std::size_t Indent(std::string_view line)
{
    std::size_t width = 0;
    for (char c : line) {
        if (c == ' ') ++width;
        else if (c == '\t') width += 4;
        else break;
    }
    return width;
}

bool IsBlank(std::string_view line) { return line.find_first_not_of(" \t\r\n") == std::string_view::npos; }

std::string_view Unindented(std::string_view line)
{
    std::size_t start = line.find_first_not_of(" \t");
    return start == std::string_view::npos ? std::string_view() : line.substr(start);
}

// The label of a definition "[^label]:" that opens the line, or nothing.
std::string_view DefinitionLabel(std::string_view line)
{
    if (Indent(line) > 3) return {};
    line = Unindented(line);
    if (!line.starts_with("[^")) return {};
    std::size_t close = line.find("]:");
    if (close == std::string_view::npos || close < 3) return {};
    std::string_view label = line.substr(2, close - 2);
    if (label.find_first_of(" \t[]") != std::string_view::npos) return {};
    return label;
}

// A fence of backticks or tildes (at least three) opening or closing fenced code.
std::string_view FenceOf(std::string_view line)
{
    if (Indent(line) > 3) return {};
    line = Unindented(line);
    if (line.empty() || (line[0] != '`' && line[0] != '~')) return {};
    std::size_t length = line.find_first_not_of(line[0]);
    if (length == std::string_view::npos) length = line.size();
    return length >= 3 ? line.substr(0, length) : std::string_view();
}

std::vector<SourceLine> Lines(std::string_view markdown)
{
    std::vector<SourceLine> lines;
    for (std::size_t at = 0; at < markdown.size();) {
        std::size_t end = markdown.find('\n', at);
        end = end == std::string_view::npos ? markdown.size() : end + 1;
        lines.push_back({markdown.substr(at, end - at)});
        at = end;
    }
    return lines;
}

// Marks fenced code and the lines of each definition; returns the labels defined.
std::set<std::string, std::less<>> MarkDefinitions(std::vector<SourceLine>& lines)
{
    std::set<std::string, std::less<>> labels;
    std::string_view fence;
    bool inDefinition = false, afterBlank = false;
    for (SourceLine& line : lines) {
        if (!fence.empty()) {
            line.inFence = true;
            std::string_view closing = FenceOf(line.text);
            if (!closing.empty() && closing[0] == fence[0] && closing.size() >= fence.size() &&
                IsBlank(Unindented(line.text).substr(closing.size())))
                fence = {};
            continue;
        }
        if (std::string_view label = DefinitionLabel(line.text); !label.empty()) {
            labels.emplace(label);
            line.footnote = inDefinition = true;
            afterBlank = false;
            continue;
        }
        if (inDefinition) {
            // A definition runs on over its lines, and past blank lines while indented.
            if (IsBlank(line.text)) {
                line.footnote = afterBlank = true;
                continue;
            }
            if (!afterBlank || Indent(line.text) >= 4) {
                line.footnote = true;
                afterBlank = false;
                continue;
            }
            inDefinition = false;
        }
        fence = FenceOf(line.text);
        line.inFence = !fence.empty();
    }
    return labels;
}

// The line without its "[^label]" marks of defined labels, code spans left as they are.
void AppendWithoutMarks(std::string& out, std::string_view line, const std::set<std::string, std::less<>>& labels)
{
    std::size_t tickRun = 0;  // inside a code span opened by this many backticks
    for (std::size_t i = 0; i < line.size();) {
        if (line[i] == '`') {
            std::size_t run = line.find_first_not_of('`', i);
            run = (run == std::string_view::npos ? line.size() : run) - i;
            if (tickRun == 0) tickRun = run;
            else if (run == tickRun) tickRun = 0;
            out.append(line.substr(i, run));
            i += run;
            continue;
        }
        if (tickRun == 0 && line.substr(i).starts_with("[^")) {
            std::size_t close = line.find(']', i + 2);
            if (close != std::string_view::npos && labels.count(line.substr(i + 2, close - i - 2))) {
                i = close + 1;
                continue;
            }
        }
        out += line[i++];
    }
}

}  // namespace

std::string RemoveFootnotes(std::string_view markdown)
{
    if (markdown.find("[^") == std::string_view::npos) return std::string(markdown);
    std::vector<SourceLine> lines = Lines(markdown);
    const auto labels = MarkDefinitions(lines);
    std::string out;
    out.reserve(markdown.size());
    for (const SourceLine& line : lines) {
        if (line.footnote) continue;
        if (line.inFence || labels.empty()) out.append(line.text);
        else AppendWithoutMarks(out, line.text, labels);
    }
    return out;
}

}  // namespace document
