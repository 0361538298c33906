#include "socket_calls.h"

#include <cerrno>

#include <sys/inotify.h>

namespace com::net {
namespace {

int Inotify(int flags) { return inotify_init1(flags); }
int AddWatch(int fd, const char* path, std::uint32_t mask) { return inotify_add_watch(fd, path, mask); }

const Table kReal{::socket, ::bind, ::listen, ::accept4, ::connect, ::send, ::recv, ::getsockopt, ::poll, Inotify,
                  AddWatch};

}  // namespace

win32::CallSlot<Table>& Slot()
{
    static win32::CallSlot<Table> slot(kReal);
    return slot;
}

long PeerUid(int fd)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (Calls().getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return -1;
    return static_cast<long>(credentials.uid);
}

bool SendAll(int fd, const void* buffer, std::size_t size)
{
    auto* bytes = static_cast<const char*>(buffer);
    while (size > 0) {
        ssize_t sent = Calls().send(fd, bytes, size, MSG_NOSIGNAL);
        if (sent < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

bool ReceiveAll(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    while (size > 0) {
        ssize_t got = Calls().recv(fd, bytes, size, 0);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            if (got == 0) errno = ECONNRESET;
            return false;
        }
        bytes += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace com::net
