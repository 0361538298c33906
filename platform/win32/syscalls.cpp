#include <varnel/syscalls.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include <sys/mman.h>

namespace win32::sys {
namespace {

int RealOpen(const char* path, int flags, mode_t mode) { return ::open(path, flags, mode); }
int RealMkdir(const char* path, mode_t mode) { return ::mkdir(path, mode); }
ssize_t RealCopyFileRange(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size, unsigned flags)
{
    return ::copy_file_range(from, fromOffset, to, toOffset, size, flags);
}
int RealSyncFileRange(int fd, off_t offset, off_t size, unsigned flags)
{
    return ::sync_file_range(fd, offset, size, flags);
}

int RealMemfdCreate(const char* name, unsigned flags) { return ::memfd_create(name, flags); }

const Table kReal = {
    RealOpen, ::read, ::write, ::close, ::fsync, ::rename, ::unlink,
    ::stat, ::fstat, ::lseek, ::fchmod, RealMkdir, ::rmdir, ::pread, RealCopyFileRange, RealSyncFileRange,
    RealMemfdCreate,
};

template <typename Call>
auto RetryOnEintr(Call call)
{
    for (;;) {
        auto result = call();
        if (result >= 0 || errno != EINTR) return result;
    }
}

}  // namespace

CallSlot<Table>& Slot()
{
    static CallSlot<Table> slot(kReal);
    return slot;
}

int Open(const char* path, int flags, mode_t mode)
{
    return RetryOnEintr([&] { return Calls().open(path, flags | O_CLOEXEC, mode); });
}

ssize_t Read(int fd, void* buffer, size_t size)
{
    return RetryOnEintr([&] { return Calls().read(fd, buffer, size); });
}

ssize_t ReadFull(int fd, void* buffer, size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t got = Read(fd, bytes + done, size - done);
        if (got < 0) return -1;
        if (got == 0) break;
        done += static_cast<size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

int WriteAll(int fd, const void* buffer, size_t size)
{
    const auto* bytes = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t wrote = RetryOnEintr([&] { return Calls().write(fd, bytes, size); });
        if (wrote < 0) return -1;
        if (wrote == 0) {  // a write that makes no progress would loop forever
            errno = EIO;
            return -1;
        }
        bytes += wrote;
        size -= static_cast<size_t>(wrote);
    }
    return 0;
}

int Close(int fd)
{
    // close must not be retried on EINTR (Linux frees the descriptor anyway).
    int result = Calls().close(fd);
    if (result < 0 && errno == EINTR) return 0;
    return result;
}

int Fsync(int fd) { return RetryOnEintr([&] { return Calls().fsync(fd); }); }
int Rename(const char* from, const char* to) { return RetryOnEintr([&] { return Calls().rename(from, to); }); }
int Unlink(const char* path) { return RetryOnEintr([&] { return Calls().unlink(path); }); }
int Stat(const char* path, struct stat* info) { return RetryOnEintr([&] { return Calls().stat(path, info); }); }
int Fstat(int fd, struct stat* info) { return RetryOnEintr([&] { return Calls().fstat(fd, info); }); }
off_t Lseek(int fd, off_t offset, int whence) { return Calls().lseek(fd, offset, whence); }
int Fchmod(int fd, mode_t mode) { return RetryOnEintr([&] { return Calls().fchmod(fd, mode); }); }
int Mkdir(const char* path, mode_t mode) { return RetryOnEintr([&] { return Calls().mkdir(path, mode); }); }
int Rmdir(const char* path) { return RetryOnEintr([&] { return Calls().rmdir(path); }); }

namespace {

// Errors that only say the kernel cannot copy between these two files.
bool KernelCopyUnavailable(int error)
{
    return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF;
}

int CopyThroughMemory(int from, off_t fromOffset, int to, size_t size)
{
    char chunk[64 * 1024];
    while (size > 0) {
        ssize_t got = RetryOnEintr([&] { return Calls().pread(from, chunk, std::min(size, sizeof chunk), fromOffset); });
        if (got < 0) return -1;
        if (got == 0) {
            errno = ENODATA;
            return -1;
        }
        if (WriteAll(to, chunk, static_cast<size_t>(got)) != 0) return -1;
        fromOffset += got;
        size -= static_cast<size_t>(got);
    }
    return 0;
}

}  // namespace

int CopyAll(int from, off_t fromOffset, int to, size_t size)
{
    while (size > 0) {
        ssize_t copied =
            RetryOnEintr([&] { return Calls().copyFileRange(from, &fromOffset, to, nullptr, size, 0); });
        if (copied < 0 && KernelCopyUnavailable(errno)) return CopyThroughMemory(from, fromOffset, to, size);
        if (copied < 0) return -1;
        if (copied == 0) {
            errno = ENODATA;
            return -1;
        }
        size -= static_cast<size_t>(copied);
    }
    return 0;
}

int StartWriteback(int fd, off_t offset, off_t size)
{
    return RetryOnEintr([&] { return Calls().syncFileRange(fd, offset, size, SYNC_FILE_RANGE_WRITE); });
}

int MemoryFile(const char* name) { return Calls().memfdCreate(name, MFD_CLOEXEC); }

bool ReadWholeFile(const char* path, std::string& contents)
{
    UniqueFd fd(Open(path, O_RDONLY));
    if (!fd) return false;
    contents.clear();
    char chunk[8192];
    for (;;) {
        ssize_t got = Read(fd.get(), chunk, sizeof chunk);
        if (got < 0) {
            int error = errno;
            fd.Reset();
            errno = error;
            return false;
        }
        if (got == 0) return true;
        contents.append(chunk, static_cast<size_t>(got));
    }
}

int UniqueFd::Reset()
{
    if (fd_ < 0) return 0;
    return Close(Release());
}

}  // namespace win32::sys
