#include <winbase.h>

#include <cerrno>
#include <string>

#include <varnel/atomic_file.h>
#include <varnel/errno_map.h>
#include <varnel/syscalls.h>

namespace {

BOOL FailWithErrno(const char* path)
{
    win32::SetLastErrorFromErrno(errno, path);
    return FALSE;
}

BOOL Fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

}  // namespace

BOOL MoveFileExA(LPCSTR from, LPCSTR to, DWORD flags)
{
    if (!from || !to || !*from || !*to) return Fail(ERROR_INVALID_PARAMETER);
    struct stat info {};
    if (win32::sys::Stat(from, &info) != 0) return FailWithErrno(from);
    // Checked before the rename, so a file made in between may still be replaced.
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && win32::sys::Stat(to, &info) == 0)
        return Fail(ERROR_ALREADY_EXISTS);
    if (win32::sys::Rename(from, to) != 0) return FailWithErrno(to);
    if (flags & MOVEFILE_WRITE_THROUGH) {
        win32::sys::UniqueFd folder(win32::sys::Open(win32::sys::FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY));
        if (folder) win32::sys::Fsync(folder.get());
    }
    return TRUE;
}

BOOL MoveFileA(LPCSTR from, LPCSTR to) { return MoveFileExA(from, to, 0); }

BOOL DeleteFileA(LPCSTR path)
{
    if (!path || !*path) return Fail(ERROR_INVALID_PARAMETER);
    if (win32::sys::Unlink(path) != 0) return FailWithErrno(path);
    return TRUE;
}

DWORD GetFileAttributesA(LPCSTR path)
{
    if (!path || !*path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_FILE_ATTRIBUTES;
    }
    struct stat info {};
    if (win32::sys::Stat(path, &info) != 0) {
        win32::SetLastErrorFromErrno(errno, path);
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
    if (!(info.st_mode & S_IWUSR)) attributes |= FILE_ATTRIBUTE_READONLY;
    return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}


BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security)
{
    if (!path || !*path || security) return Fail(ERROR_INVALID_PARAMETER);
    if (win32::sys::Mkdir(path, 0777) != 0) return errno == EEXIST ? Fail(ERROR_ALREADY_EXISTS) : FailWithErrno(path);
    return TRUE;
}
