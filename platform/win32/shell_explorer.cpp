#include <shell_explorer.h>

#include <algorithm>
#include <filesystem>

#include <command_line.h>

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

}  // namespace

bool IsExplorer(std::string_view program) { return AsciiLower(program) == "explorer.exe"; }

ExplorerRequest ParseExplorerArguments(std::string_view arguments)
{
    ExplorerRequest request;
    auto tokens = SplitArguments(arguments, " \t,");
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        auto token = AsciiLower(tokens[i]);
        if (token == "/select") request.select = true;
        else if (token == "/root") ++i;
        else if (token != "/e" && token != "/n" && token != "/separate") request.item = tokens[i];
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
