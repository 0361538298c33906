// Where CreateProcessA finds a program (platform-internal).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace win32 {

// A name with a slash is a path: relative ones are taken from
// `currentDirectory`, and the file need not exist (starting it reports
// that). A bare name is looked for in each of `folders` in turn; the first
// regular file with an execute permission bit wins.
std::optional<std::string> FindProgram(const std::string& name, const std::string& currentDirectory,
                                       const std::vector<std::string>& folders);

// The folders for a bare name: the running executable's, the current
// directory, then those of PATH (empty entries skipped).
std::vector<std::string> ProgramFolders(const std::string& currentDirectory);

}  // namespace win32
