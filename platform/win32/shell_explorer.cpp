#include <shell_explorer.h>

#include <algorithm>
#include <filesystem>

#include <varnel/command_line.h>

namespace win32::shell {
namespace {

std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return lower;
}

// Sends the request to the file manager, or opens the folder ($1 the URI,
// $2 the folder). dbus-send waits for the reply so that a desktop without a
// file manager fails and the fallback runs.
std::string Script(std::string_view method)
{
    return "dbus-send --session --print-reply --reply-timeout=10000 --dest=org.freedesktop.FileManager1"
           " --type=method_call /org/freedesktop/FileManager1 org.freedesktop.FileManager1." +
           std::string(method) + " \"array:string:$1\" string: >/dev/null 2>&1 || exec xdg-open \"$2\"";
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Token {
    std::string text;
    bool quoted;  // written in quotes: an item, never a switch (paths here start with '/')
};

// Explorer's items are separated by commas outside quotes, with blanks
// around them dropped; each is unquoted by the C runtime's rules.
std::vector<Token> ExplorerTokens(std::string_view text)
{
    std::vector<Token> tokens;
    auto addSegment = [&](std::string_view segment) {
        while (!segment.empty() && IsBlank(segment.front())) segment.remove_prefix(1);
        while (!segment.empty() && IsBlank(segment.back())) segment.remove_suffix(1);
        bool quoted = segment.find('"') != std::string_view::npos;
        for (auto& token : SplitArguments(segment, "")) tokens.push_back({std::move(token), quoted});
    };
    bool inQuotes = false;
    std::size_t backslashes = 0, start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '"' && backslashes % 2 == 0) inQuotes = !inQuotes;
        if (c == ',' && !inQuotes) {
            addSegment(text.substr(start, i - start));
            start = i + 1;
        }
        backslashes = c == '\\' ? backslashes + 1 : 0;
    }
    addSegment(text.substr(start));
    return tokens;
}

}  // namespace

bool IsExplorer(std::string_view program) { return AsciiLower(program) == "explorer.exe"; }

ExplorerRequest ParseExplorerArguments(std::string_view arguments)
{
    ExplorerRequest request;
    auto tokens = ExplorerTokens(arguments);
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        auto token = tokens[i].quoted ? std::string() : AsciiLower(tokens[i].text);
        if (token == "/select") request.select = true;
        else if (token == "/root") ++i;
        else if (token != "/e" && token != "/n" && token != "/separate") request.item = tokens[i].text;
    }
    return request;
}

std::vector<std::string> ExplorerShellCommand(const ExplorerRequest& request, const std::string& baseDirectory)
{
    namespace fs = std::filesystem;
    fs::path item = request.item.empty() ? fs::path(baseDirectory) : fs::path(baseDirectory) / request.item;
    item = item.lexically_normal();
    if (item.has_filename() == false && item != item.root_path()) item = item.parent_path();
    bool select = request.select && !request.item.empty();
    fs::path folder = select ? item.parent_path() : item;
    return {"explorer.exe", "-c", Script(select ? "ShowItems" : "ShowFolders"), "explorer.exe",
            FileUri(item.string()), folder.string()};
}

std::string FileUri(std::string_view absolutePath)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file://";
    for (unsigned char c : absolutePath) {
        bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                          c == '.' || c == '_' || c == '~' || c == '/';
        if (unreserved) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    return uri;
}

}  // namespace win32::shell
