#include <process_search.h>

#include <cstdlib>
#include <string_view>

#include <varnel/process_paths.h>
#include <varnel/syscalls.h>

namespace win32 {
namespace {

std::string Join(const std::string& folder, const std::string& name)
{
    if (folder.empty() || folder.back() == '/') return folder + name;
    return folder + '/' + name;
}

bool IsExecutableFile(const std::string& path)
{
    struct stat info {};
    if (sys::Stat(path.c_str(), &info) != 0) return false;
    return S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

}  // namespace

std::optional<std::string> FindProgram(const std::string& name, const std::string& currentDirectory,
                                       const std::vector<std::string>& folders)
{
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        return name.front() == '/' ? name : Join(currentDirectory, name);
    }
    for (const auto& folder : folders) {
        if (folder.empty()) continue;
        std::string candidate = Join(folder.front() == '/' ? folder : Join(currentDirectory, folder), name);
        if (IsExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

std::vector<std::string> ProgramFolders(const std::string& currentDirectory)
{
    std::vector<std::string> folders;
    if (auto executable = ExecutablePath()) {
        auto slash = executable->rfind('/');
        if (slash != std::string::npos) folders.push_back(slash == 0 ? "/" : executable->substr(0, slash));
    }
    folders.push_back(currentDirectory);
    const char* path = std::getenv("PATH");
    std::string_view entries = path ? path : "";
    while (!entries.empty()) {
        auto colon = entries.find(':');
        auto entry = entries.substr(0, colon);
        if (!entry.empty()) folders.emplace_back(entry);
        if (colon == std::string_view::npos) break;
        entries.remove_prefix(colon + 1);
    }
    return folders;
}

}  // namespace win32
