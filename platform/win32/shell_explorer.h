// The shell's file browser, "explorer.exe", on a freedesktop desktop
// (platform-internal).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace win32::shell {

// True for a program name that names the shell's file browser
// ("explorer.exe", any case, without a folder).
bool IsExplorer(std::string_view program);

// What explorer's arguments ask for. They are separated by commas outside
// quotes, blanks around them dropped, and unquoted by the C runtime's rules
// (so "a \"b\"" is a "b"); the switches /select, /e, /n, /separate and
// /root,<object> are known (any case); anything else is the item.
struct ExplorerRequest {
    bool select = false;  // show the item selected in its folder
    std::string item;     // empty: the current directory
};
ExplorerRequest ParseExplorerArguments(std::string_view arguments);

// The arguments of /bin/sh that carry out a request: the file manager's
// org.freedesktop.FileManager1 ShowItems (ShowFolders without /select) over
// D-Bus with dbus-send, and xdg-open on the folder when that fails. Both are
// found on the child's PATH. A relative item is taken from `baseDirectory`.
std::vector<std::string> ExplorerShellCommand(const ExplorerRequest& request, const std::string& baseDirectory);

// "file://" and the absolute path, every byte but the unreserved ones and '/'
// percent-encoded.
std::string FileUri(std::string_view absolutePath);

}  // namespace win32::shell
