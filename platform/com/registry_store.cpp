#include "registry_store.h"

#include <varnel/atomic_file.h>
#include <varnel/errno_map.h>
#include <varnel/syscalls.h>
#include <winbase.h>

#include <cerrno>

#include <sys/file.h>
#include <cstdlib>

namespace com::registry {
namespace {

const char* HiveFileName(HiveId hive)
{
    switch (hive) {
    case HiveId::Classes: return "classes.reg";
    case HiveId::User: return "user.reg";
    default: return "machine.reg";
    }
}

std::optional<std::string> DataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/') return std::string(xdg);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.local/share";
    return std::nullopt;
}

// Creates each missing folder of path (private to the user: the store is per user).
int MakeFolders(const std::string& path)
{
    for (std::size_t end = path.find('/', 1);; end = path.find('/', end + 1)) {
        std::string prefix = path.substr(0, end);
        if (win32::sys::Mkdir(prefix.c_str(), 0700) != 0 && errno != EEXIST) return -1;
        if (end == std::string::npos) return 0;
    }
}

}  // namespace

std::optional<std::string> RegistryFolder()
{
    auto home = DataHome();
    if (!home) return std::nullopt;
    return *home + "/varnel/registry";
}

std::optional<std::string> HiveFile(HiveId hive)
{
    auto folder = RegistryFolder();
    if (!folder) return std::nullopt;
    return *folder + "/" + HiveFileName(hive);
}

DWORD LoadHive(HiveId id, Hive& hive)
{
    auto file = HiveFile(id);
    if (!file) return ERROR_PATH_NOT_FOUND;
    std::string text;
    if (!win32::sys::ReadWholeFile(file->c_str(), text)) {
        if (errno != ENOENT) return win32::ErrorFromErrno(errno, file->c_str());
        text.clear();
    }
    hive = Hive::Parse(text);
    return ERROR_SUCCESS;
}

DWORD SaveHive(HiveId id, const Hive& hive)
{
    auto folder = RegistryFolder();
    if (!folder) return ERROR_PATH_NOT_FOUND;
    if (MakeFolders(*folder) != 0) return win32::ErrorFromErrno(errno, folder->c_str());
    std::string file = *folder + "/" + HiveFileName(id);
    return win32::sys::WriteFileAtomically(file, hive.Serialize()).failure();
}

DWORD StoreWriteLock::Acquire()
{
    auto folder = RegistryFolder();
    if (!folder) return ERROR_PATH_NOT_FOUND;
    if (MakeFolders(*folder) != 0) return win32::ErrorFromErrno(errno, folder->c_str());
    std::string path = *folder + "/.lock";
    fd_ = win32::sys::UniqueFd(win32::sys::Open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (!fd_) return win32::ErrorFromErrno(errno, path.c_str());
    int result;
    do {
        result = ::flock(fd_.get(), LOCK_EX);
    } while (result != 0 && errno == EINTR);
    if (result != 0) return win32::ErrorFromErrno(errno, path.c_str());
    return ERROR_SUCCESS;
}

}  // namespace com::registry
