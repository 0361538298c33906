#include <processthreadsapi.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include <varnel/command_line.h>
#include <varnel/errno_map.h>
#include <handle_table.h>
#include <kernel32_real.h>
#include <varnel/process_paths.h>
#include <process_search.h>
#include <varnel/process_spawn.h>
#include <shell_explorer.h>
#include <varnel/syscalls.h>
#include <winbase.h>

namespace {

// An ANSI environment block: "NAME=value" strings, each ended by a zero, the
// block by an empty one.
std::vector<std::string> EnvironmentFromBlock(const char* block)
{
    std::vector<std::string> variables;
    while (*block) {
        variables.emplace_back(block);
        block += variables.back().size() + 1;
    }
    return variables;
}

bool IsDirectory(const std::string& path)
{
    struct stat info {};
    return win32::sys::Stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The folder the child starts in, absolute: `requested` (relative to ours) or ours.
std::string ChildDirectory(const std::string& ours, LPCSTR requested)
{
    if (!requested) return ours;
    std::string directory(requested);
    if (directory.empty() || directory.front() != '/') directory = ours + "/" + directory;
    return directory;
}

// The program and its arguments for a command line; DWORD error on failure.
DWORD Prepare(LPCSTR applicationName, LPCSTR commandLine, const std::string& ourDirectory,
              const std::string& childDirectory, win32::SpawnRequest& request)
{
    std::string_view line = commandLine ? commandLine : "";
    if (!applicationName) {
        auto [program, rest] = win32::SplitProgramName(line);
        if (win32::shell::IsExplorer(program)) {
            auto explorer = win32::shell::ParseExplorerArguments(rest);
            request.path = "/bin/sh";
            request.arguments = win32::shell::ExplorerShellCommand(explorer, childDirectory);
            return ERROR_SUCCESS;
        }
    }
    request.arguments = win32::SplitCommandLine(line);
    if (request.arguments.empty()) request.arguments.emplace_back(applicationName ? applicationName : "");
    std::optional<std::string> found;
    if (applicationName) {
        // As on Windows, an application name is not searched for.
        std::string name(applicationName);
        if (!name.empty() && name.find('/') == std::string::npos) name = "./" + name;
        found = win32::FindProgram(name, ourDirectory, {});
    } else {
        found = win32::FindProgram(request.arguments.front(), ourDirectory, win32::ProgramFolders(ourDirectory));
    }
    if (!found) return ERROR_FILE_NOT_FOUND;
    request.path = *found;
    return ERROR_SUCCESS;
}

}  // namespace

BOOL win32::kernel32::real::CreateProcessA(LPCSTR applicationName, LPSTR commandLine, LPSECURITY_ATTRIBUTES,
                                           LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID environment,
                                           LPCSTR currentDirectory, LPSTARTUPINFOA startupInfo,
                                           LPPROCESS_INFORMATION processInformation)
{
    if (!startupInfo || !processInformation || (!applicationName && !commandLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto ourDirectory = win32::CurrentDirectory();
    if (!ourDirectory) {
        win32::SetLastErrorFromErrno(errno);
        return FALSE;
    }
    win32::SpawnRequest request;
    std::string childDirectory = ChildDirectory(*ourDirectory, currentDirectory);
    if (currentDirectory) {
        if (!IsDirectory(childDirectory)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
        request.directory = childDirectory;
    }
    if (DWORD error = Prepare(applicationName, commandLine, *ourDirectory, childDirectory, request)) {
        SetLastError(error);
        return FALSE;
    }
    if (environment) request.environment = EnvironmentFromBlock(static_cast<const char*>(environment));

    pid_t pid = 0;
    if (int error = win32::Spawn(request, pid)) {
        win32::SetLastErrorFromErrno(error, request.path.c_str());
        return FALSE;
    }
    auto child = std::make_shared<win32::ChildProcess>(pid);
    processInformation->hProcess = win32::handles::Insert({win32::handles::Kind::Process, child});
    processInformation->hThread = win32::handles::Insert({win32::handles::Kind::Thread, child});
    processInformation->dwProcessId = static_cast<DWORD>(pid);
    processInformation->dwThreadId = static_cast<DWORD>(pid);
    return TRUE;
}
