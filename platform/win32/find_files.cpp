// FindFirstFileA and its kin over opendir/readdir.
#include <handleapi.h>
#include <winbase.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

#include <dirent.h>
#include <sys/stat.h>

#include <varnel/errno_map.h>
#include <varnel/exception_boundary.h>

namespace {

struct Search {
    DIR* folder = nullptr;
    std::string path;     // with its trailing separator ("" for the current directory)
    std::string pattern;  // the last part of the name asked for
    ~Search()
    {
        if (folder) closedir(folder);
    }
};

// Open searches; a handle is a Search's address, checked here before use.
std::mutex searchesMutex;
std::set<Search*> searches;

bool Matches(std::string_view pattern, std::string_view name)
{
    // Backtracks to the last '*' only: linear enough for file names.
    std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
            ++p;
            ++n;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            resume = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

FILETIME FileTime(const timespec& time)
{
    constexpr std::uint64_t kSecondsFrom1601To1970 = 11644473600ull;
    std::uint64_t ticks = (static_cast<std::uint64_t>(time.tv_sec) + kSecondsFrom1601To1970) * 10000000ull +
                          static_cast<std::uint64_t>(time.tv_nsec) / 100;
    return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

void Describe(const char* name, const struct stat& info, WIN32_FIND_DATAA& data)
{
    data = WIN32_FIND_DATAA{};
    if (S_ISDIR(info.st_mode)) data.dwFileAttributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (S_ISLNK(info.st_mode)) data.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    if (name[0] == '.') data.dwFileAttributes |= FILE_ATTRIBUTE_HIDDEN;
    if (!(info.st_mode & 0222)) data.dwFileAttributes |= FILE_ATTRIBUTE_READONLY;
    if (data.dwFileAttributes == 0) data.dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
    data.ftCreationTime = FileTime(info.st_ctim);
    data.ftLastAccessTime = FileTime(info.st_atim);
    data.ftLastWriteTime = FileTime(info.st_mtim);
    const auto size = static_cast<std::uint64_t>(info.st_size);
    data.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    data.nFileSizeLow = static_cast<DWORD>(size);
    std::strcpy(data.cFileName, name);
}

// The next matching entry into `data`; false at the end.
bool Next(Search& search, WIN32_FIND_DATAA& data)
{
    while (dirent* entry = readdir(search.folder)) {
        if (std::strlen(entry->d_name) >= MAX_PATH || !Matches(search.pattern, entry->d_name)) continue;
        struct stat info {};
        // An entry removed since the folder was read is passed over.
        if (lstat((search.path + entry->d_name).c_str(), &info) != 0) continue;
        Describe(entry->d_name, info, data);
        return true;
    }
    return false;
}

bool IsSearch(Search* search)
{
    std::lock_guard lock(searchesMutex);
    return searches.count(search) != 0;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR fileName, LPWIN32_FIND_DATAA findData)
try {
    if (!fileName || !*fileName || !findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string_view name(fileName);
    std::size_t slash = name.rfind('/');
    auto search = std::make_unique<Search>();
    search->path = slash == std::string_view::npos ? "" : std::string(name.substr(0, slash + 1));
    search->pattern = std::string(slash == std::string_view::npos ? name : name.substr(slash + 1));
    search->folder = opendir(search->path.empty() ? "." : search->path.c_str());
    if (!search->folder) {
        DWORD error = win32::ErrorFromErrno(errno);
        SetLastError(error == ERROR_FILE_NOT_FOUND ? ERROR_PATH_NOT_FOUND : error);
        return INVALID_HANDLE_VALUE;
    }
    if (search->pattern.empty() || !Next(*search, *findData)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::lock_guard lock(searchesMutex);
    searches.insert(search.get());
    return search.release();
} catch (...) {
    SetLastError(win32::ErrorFromCaughtException());
    return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileA(HANDLE findFile, LPWIN32_FIND_DATAA findData)
try {
    auto* search = static_cast<Search*>(findFile);
    if (!IsSearch(search)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!findData) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (!Next(*search, *findData)) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    return TRUE;
} catch (...) {
    SetLastError(win32::ErrorFromCaughtException());
    return FALSE;
}

BOOL FindClose(HANDLE findFile)
{
    auto* search = static_cast<Search*>(findFile);
    {
        std::lock_guard lock(searchesMutex);
        if (!searches.erase(search)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
    }
    delete search;
    return TRUE;
}
