#include "background_sync.h"

#include <varnel/syscalls.h>

#include <cerrno>
#include <system_error>

namespace speech {

bool BackgroundSync::Start(int fd)
{
    if (thread_.joinable()) {
        if (!done_.load(std::memory_order_acquire)) return false;
        thread_.join();
    }
    done_.store(false, std::memory_order_relaxed);
    try {
        thread_ = std::thread([this, fd] {
            if (win32::sys::Fsync(fd) != 0 && error_ == 0) error_ = errno;
            done_.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        return false;  // no thread to spare: the sync at the end does it all
    }
    return true;
}

int BackgroundSync::Wait()
{
    if (thread_.joinable()) thread_.join();
    int error = error_;
    error_ = 0;
    return error;
}

}  // namespace speech
