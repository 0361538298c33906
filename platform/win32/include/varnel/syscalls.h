// The one indirection for the operating system's file calls (platform-internal,
// not a Windows header). Every file function of the platform calls the OS through
// the table below, so a test can swap entries to inject failures (ENOSPC, EINTR,
// EIO) with a ScopedOverride.
#pragma once

#include <varnel/call_table.h>

#include <cstddef>
#include <string>
#include <string_view>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

namespace win32::sys {

using win32::CallSlot;
using win32::ScopedCallOverride;

// The raw OS calls. Entries keep the POSIX signatures and error reporting
// (-1 and errno), so a test's replacement can forward to the real call.
struct Table {
    int (*open)(const char* path, int flags, mode_t mode);
    ssize_t (*read)(int fd, void* buffer, size_t size);
    ssize_t (*write)(int fd, const void* buffer, size_t size);
    int (*close)(int fd);
    int (*fsync)(int fd);
    int (*rename)(const char* from, const char* to);
    int (*unlink)(const char* path);
    int (*stat)(const char* path, struct stat* info);
    int (*fstat)(int fd, struct stat* info);
    off_t (*lseek)(int fd, off_t offset, int whence);
    int (*fchmod)(int fd, mode_t mode);
    int (*mkdir)(const char* path, mode_t mode);
    int (*rmdir)(const char* path);
    ssize_t (*pread)(int fd, void* buffer, size_t size, off_t offset);
    ssize_t (*copyFileRange)(int from, off_t* fromOffset, int to, off_t* toOffset, size_t size, unsigned flags);
    int (*syncFileRange)(int fd, off_t offset, off_t size, unsigned flags);
    int (*memfdCreate)(const char* name, unsigned flags);
};

CallSlot<Table>& Slot();
// The table of the real calls.
inline const Table& RealCalls() { return Slot().Real(); }
// The table in force now (the real one unless a test overrides it).
inline const Table& Calls() { return Slot().Current(); }
// Overrides are made and ended while no other thread of the test is in a call.
using ScopedOverride = ScopedCallOverride<Table, Slot>;

// Wrappers used by the platform's code: EINTR is retried everywhere, and
// results keep the POSIX form (-1 with errno on failure).
int Open(const char* path, int flags, mode_t mode = 0666);
ssize_t Read(int fd, void* buffer, size_t size);
// Reads until `size` bytes or the end of the file; -1 on error.
ssize_t ReadFull(int fd, void* buffer, size_t size);
// Writes all bytes, continuing after short writes. 0, or -1 with errno.
int WriteAll(int fd, const void* buffer, size_t size);
int Close(int fd);
int Fsync(int fd);
int Rename(const char* from, const char* to);
int Unlink(const char* path);
int Stat(const char* path, struct stat* info);
int Fstat(int fd, struct stat* info);
off_t Lseek(int fd, off_t offset, int whence);
int Fchmod(int fd, mode_t mode);
int Mkdir(const char* path, mode_t mode);
int Rmdir(const char* path);
// Appends `size` bytes of `from`, read from `fromOffset` on, at `to`'s file
// position, inside the kernel where the file systems allow it. 0, or -1 with
// errno (ENODATA when `from` ends early).
int CopyAll(int from, off_t fromOffset, int to, size_t size);
// Starts writing a range of the file to its disk without waiting for it, so that
// a later fsync has less left to wait for. A hint: 0, or -1 with errno.
int StartWriteback(int fd, off_t offset, off_t size);
// A new file that lives in memory only, for as long as a descriptor or a mapping
// of it remains; close-on-exec. The descriptor, or -1 with errno.
int MemoryFile(const char* name);

// A whole file's bytes. False with errno set when it cannot be read.
bool ReadWholeFile(const char* path, std::string& contents);

// An owned file descriptor, closed (through the table) when the object goes.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : fd_(other.Release()) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept
    {
        if (this != &other) {
            Reset();
            fd_ = other.Release();
        }
        return *this;
    }

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int Release()
    {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    // Closes now; the result of close (0 or -1 with errno).
    int Reset();

private:
    int fd_ = -1;
};

}  // namespace win32::sys
