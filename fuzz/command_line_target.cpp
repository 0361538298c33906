// Command lines: what the export quotes for the converter and the file browser
// comes back unchanged from the platform's split, and any line splits.
#include "fuzz_target.h"

#include <CommandLines.h>
#include <varnel/command_line.h>
#include <shell_explorer.h>

#include <string>
#include <vector>

namespace {

CString Ansi(std::string_view text) { return CString(text.data(), static_cast<int>(text.size())); }

std::string Plain(const CString& text) { return std::string(text.GetString(), static_cast<std::size_t>(text.GetLength())); }

// Arguments after the first item (the program name).
std::vector<std::string> Arguments(const CString& commandLine)
{
    std::vector<std::string> items = win32::SplitCommandLine(Plain(commandLine));
    if (!items.empty()) items.erase(items.begin());
    return items;
}

void CheckQuotedList(const std::vector<std::string_view>& arguments)
{
    CString line("program");
    std::vector<std::string> expected;
    for (std::string_view argument : arguments) {
        line += " " + QuoteArgument(Ansi(argument));
        expected.emplace_back(argument);
    }
    FUZZ_CHECK(Arguments(line) == expected);
}

void CheckConverterLine(std::string_view folder, std::string_view scratch, std::string_view output, int numbers)
{
    const int voice = numbers % 300 - 1, rate = numbers % 23 - 11, volume = numbers * 7;
    CString line = ConverterCommandLine(Ansi(folder), Ansi(scratch), Ansi(output), voice, rate, volume);
    if (folder.find('"') != std::string_view::npos) {
        FUZZ_CHECK(line.IsEmpty());
        return;
    }
    std::vector<std::string> items = win32::SplitCommandLine(Plain(line));
    std::vector<std::string> expected = {std::string(folder) + "/narrate", std::string(scratch), std::string(output),
                                         std::to_string(voice), std::to_string(rate), std::to_string(volume)};
    FUZZ_CHECK(items == expected);
}

void CheckExplorerLine(std::string_view path)
{
    const std::string line = Plain(ExplorerSelectCommandLine(Ansi(path)));
    win32::ProgramAndRest split = win32::SplitProgramName(line);
    FUZZ_CHECK(win32::shell::IsExplorer(split.program));
    win32::shell::ExplorerRequest request = win32::shell::ParseExplorerArguments(split.rest);
    FUZZ_CHECK(request.select && request.item == path);
}

}  // namespace

VARNEL_FUZZ_TARGET(FuzzCommandLine)
{
    std::string_view whole(reinterpret_cast<const char*>(data), size);
    win32::SplitCommandLine(whole);
    win32::SplitArguments(whole, " \t,");
    win32::shell::ParseExplorerArguments(whole);

    std::vector<std::string_view> parts = fuzz::SplitParts(data, size, 16);
    while (!parts.empty() && parts.back().empty()) parts.pop_back();
    CheckQuotedList(parts);
    parts.resize(std::max<std::size_t>(parts.size(), 3));
    CheckConverterLine(parts[0], parts[1], parts[2], static_cast<int>(size));
    if (!parts[2].empty()) CheckExplorerLine(parts[2]);
    return 0;
}
