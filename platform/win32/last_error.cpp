#include <winbase.h>

#include <cerrno>
#include <string>

#include <varnel/errno_map.h>
#include <varnel/result.h>
#include <varnel/syscalls.h>

namespace {
thread_local DWORD lastError = ERROR_SUCCESS;

bool FolderExists(const std::string& path)
{
    auto slash = path.rfind('/');
    if (slash == std::string::npos) return true;
    std::string folder = slash == 0 ? "/" : path.substr(0, slash);
    struct stat info {};
    return win32::sys::Stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

DWORD GetLastError() { return lastError; }
void SetLastError(DWORD error) { lastError = error; }

namespace win32 {

DWORD ErrorFromErrno(int error, const char* path)
{
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return path && !FolderExists(path) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EROFS: return ERROR_WRITE_PROTECT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EBUSY:
    case ETXTBSY: return ERROR_BUSY;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case ELOOP: return ERROR_CANT_RESOLVE_FILENAME;
    case EIO: return ERROR_IO_DEVICE;
    case ENOSYS: return ERROR_CALL_NOT_IMPLEMENTED;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    default: return ERROR_GEN_FAILURE;
    }
}

void SetLastErrorFromErrno(int error, const char* path) { SetLastError(ErrorFromErrno(error, path)); }

}  // namespace win32

namespace win32 {

Failure<DWORD> FailureFromErrno(int error, const char* path) { return Failure{ErrorFromErrno(error, path)}; }

}  // namespace win32
