#include <shlobj.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include <pwd.h>
#include <unistd.h>

#include <varnel/errno_map.h>
#include <varnel/exception_boundary.h>
#include <varnel/syscalls.h>
#include <winbase.h>

namespace {

// A base directory variable counts only when it holds an absolute path.
std::optional<std::string> AbsoluteVariable(const char* name)
{
    const char* value = std::getenv(name);
    if (!value || value[0] != '/') return std::nullopt;
    return std::string(value);
}

std::optional<std::string> HomeFolder()
{
    if (auto home = AbsoluteVariable("HOME")) return home;
    const passwd* user = getpwuid(getuid());
    if (user && user->pw_dir && user->pw_dir[0] == '/') return std::string(user->pw_dir);
    return std::nullopt;
}

std::optional<std::string> FolderPath(int folder)
{
    if (folder == CSIDL_PROFILE) return HomeFolder();
    if (auto config = AbsoluteVariable("XDG_CONFIG_HOME")) return config;
    auto home = HomeFolder();
    if (!home) return std::nullopt;
    return *home + (home->back() == '/' ? "" : "/") + ".config";
}

bool IsFolder(const std::string& path)
{
    struct stat info {};
    return win32::sys::Stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Makes `path` and its missing parents; errno on failure.
bool MakeFolders(const std::string& path)
{
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && win32::sys::Mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        if (slash == std::string::npos) break;
    }
    if (IsFolder(path)) return true;
    errno = ENOTDIR;
    return false;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

}  // namespace

BOOL SHGetSpecialFolderPathA(HWND, LPSTR path, int folder, BOOL create)
try {
    create = create || (folder & CSIDL_FLAG_CREATE);
    folder &= ~CSIDL_FLAG_CREATE;
    if (!path || (folder != CSIDL_APPDATA && folder != CSIDL_PROFILE)) return Fail(ERROR_INVALID_PARAMETER);
    const std::optional<std::string> found = FolderPath(folder);
    if (!found) return Fail(ERROR_FILE_NOT_FOUND);
    if (found->size() >= MAX_PATH) return Fail(ERROR_FILENAME_EXCED_RANGE);
    if (!IsFolder(*found)) {
        if (!create) return Fail(ERROR_FILE_NOT_FOUND);
        if (!MakeFolders(*found)) {
            win32::SetLastErrorFromErrno(errno, found->c_str());
            return FALSE;
        }
    }
    std::memcpy(path, found->c_str(), found->size() + 1);
    return TRUE;
} catch (...) {
    return Fail(win32::ErrorFromCaughtException());
}
