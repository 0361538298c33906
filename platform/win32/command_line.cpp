#include <varnel/command_line.h>

namespace win32 {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// One argument starting at `pos` (not a separator); `pos` ends after it.
std::string ParseArgument(std::string_view text, std::size_t& pos, std::string_view separators)
{
    std::string argument;
    bool inQuotes = false;
    while (pos < text.size()) {
        std::size_t backslashes = 0;
        while (pos < text.size() && text[pos] == '\\') {
            ++backslashes;
            ++pos;
        }
        if (pos < text.size() && text[pos] == '"') {
            argument.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1) {
                argument += '"';
            } else if (inQuotes && pos + 1 < text.size() && text[pos + 1] == '"') {
                argument += '"';
                ++pos;
            } else {
                inQuotes = !inQuotes;
            }
            ++pos;
            continue;
        }
        argument.append(backslashes, '\\');
        if (pos >= text.size()) break;
        if (!inQuotes && separators.find(text[pos]) != std::string_view::npos) break;
        argument += text[pos++];
    }
    return argument;
}

}  // namespace

ProgramAndRest SplitProgramName(std::string_view commandLine)
{
    ProgramAndRest result;
    bool inQuotes = false;
    std::size_t pos = 0;
    for (; pos < commandLine.size(); ++pos) {
        char c = commandLine[pos];
        if (c == '"') {
            inQuotes = !inQuotes;
            continue;
        }
        if (!inQuotes && IsBlank(c)) break;
        result.program += c;
    }
    result.rest = commandLine.substr(pos);
    return result;
}

std::vector<std::string> SplitArguments(std::string_view rest, std::string_view separators)
{
    std::vector<std::string> arguments;
    std::size_t pos = 0;
    for (;;) {
        while (pos < rest.size() && separators.find(rest[pos]) != std::string_view::npos) ++pos;
        if (pos >= rest.size()) break;
        arguments.push_back(ParseArgument(rest, pos, separators));
    }
    return arguments;
}

std::vector<std::string> SplitCommandLine(std::string_view commandLine)
{
    std::vector<std::string> items;
    if (commandLine.empty()) return items;
    auto [program, rest] = SplitProgramName(commandLine);
    items.push_back(std::move(program));
    for (auto& argument : SplitArguments(rest)) items.push_back(std::move(argument));
    return items;
}

}  // namespace win32
