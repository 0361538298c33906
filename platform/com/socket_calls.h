// The one indirection for the socket calls of local servers (platform-internal,
// not a Windows header). The runtime reaches Unix sockets and folder watches
// through this table, so a test can swap entries to inject failures with a
// ScopedOverride. File calls (rename, unlink, mkdir) go through syscalls.h.
#pragma once

#include <varnel/call_table.h>

#include <cstddef>
#include <cstdint>

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

namespace com::net {

// Entries keep the POSIX signatures and error reporting (-1 and errno).
struct Table {
    int (*socket)(int domain, int type, int protocol);
    int (*bind)(int fd, const sockaddr* address, socklen_t length);
    int (*listen)(int fd, int backlog);
    int (*accept4)(int fd, sockaddr* address, socklen_t* length, int flags);
    int (*connect)(int fd, const sockaddr* address, socklen_t length);
    ssize_t (*send)(int fd, const void* buffer, size_t size, int flags);
    ssize_t (*recv)(int fd, void* buffer, size_t size, int flags);
    int (*getsockopt)(int fd, int level, int name, void* value, socklen_t* length);
    int (*poll)(pollfd* fds, nfds_t count, int timeoutMs);
    int (*inotifyInit)(int flags);
    int (*inotifyAddWatch)(int fd, const char* path, std::uint32_t mask);
};

win32::CallSlot<Table>& Slot();
inline const Table& RealCalls() { return Slot().Real(); }
inline const Table& Calls() { return Slot().Current(); }
using ScopedOverride = win32::ScopedCallOverride<Table, Slot>;

// The uid of the process at the other end of a connected Unix socket, or -1.
long PeerUid(int fd);
// Sends all bytes (EINTR retried, never raising SIGPIPE); false with errno set.
bool SendAll(int fd, const void* buffer, std::size_t size);
// Receives exactly `size` bytes; false at the end of the stream or on an error.
bool ReceiveAll(int fd, void* buffer, std::size_t size);

}  // namespace com::net
