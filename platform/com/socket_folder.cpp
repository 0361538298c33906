#include "socket_folder.h"

#include "socket_calls.h"

#include <varnel/errno_map.h>
#include <winbase.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <dirent.h>
#include <sys/un.h>
#include <unistd.h>

namespace com::local {
namespace {

using win32::sys::UniqueFd;

constexpr int kBacklog = 32;

HRESULT ErrnoResult(int error) { return HRESULT_FROM_WIN32(win32::ErrorFromErrno(error)); }

bool FillAddress(const std::string& path, sockaddr_un& address)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string SocketFolder()
{
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/varnel-com";
    return "/tmp/varnel-com-" + std::to_string(geteuid());
}

HRESULT CheckSocketFolder(const std::string& folder, bool create)
{
    // O_NOFOLLOW: a link planted in the folder's place is refused, not followed.
    const int flags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
    UniqueFd fd(win32::sys::Open(folder.c_str(), flags));
    if (!fd && errno == ENOENT && create) {
        if (win32::sys::Mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return ErrnoResult(errno);
        fd = UniqueFd(win32::sys::Open(folder.c_str(), flags));
    }
    if (!fd) return errno == ENOENT ? ErrnoResult(errno) : E_ACCESSDENIED;
    struct stat info {};
    if (win32::sys::Fstat(fd.get(), &info) != 0) return ErrnoResult(errno);
    if (!S_ISDIR(info.st_mode) || info.st_uid != geteuid() || (info.st_mode & 077)) return E_ACCESSDENIED;
    return S_OK;
}

std::string SocketName(REFCLSID clsid, DWORD cookie)
{
    return FormatGuid(clsid) + "." + std::to_string(getpid()) + "." + std::to_string(cookie);
}

std::vector<std::string> ClassSockets(const std::string& folder, REFCLSID clsid)
{
    std::vector<std::string> found;
    std::string prefix = FormatGuid(clsid) + ".";
    DIR* directory = opendir(folder.c_str());
    if (!directory) return found;
    while (dirent* entry = readdir(directory)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) found.push_back(folder + "/" + entry->d_name);
    }
    closedir(directory);
    return found;
}

HRESULT Listen(const std::string& folder, const std::string& name, UniqueFd& listener)
{
    std::string hidden = folder + "/." + name;
    std::string path = folder + "/" + name;
    sockaddr_un address;
    if (!FillAddress(hidden, address) || path.size() >= sizeof address.sun_path)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    UniqueFd fd(net::Calls().socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) return ErrnoResult(errno);
    win32::sys::Unlink(hidden.c_str());  // a leftover of a process that had our id before
    if (net::Calls().bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        return ErrnoResult(errno);
    if (net::Calls().listen(fd.get(), kBacklog) != 0 || win32::sys::Rename(hidden.c_str(), path.c_str()) != 0) {
        HRESULT hr = ErrnoResult(errno);
        win32::sys::Unlink(hidden.c_str());
        return hr;
    }
    listener = std::move(fd);
    return S_OK;
}

}  // namespace com::local
