// The apartment's side of one client connection: replies go out through it and
// it can be dropped, without the apartment thread ever waiting on the socket
// (platform-internal).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace com {

class ServerLink {
public:
    explicit ServerLink(void (*wake)()) : wake_(wake) {}

    // Queues a frame for the runtime's I/O thread to write. A client that lets
    // more than kMaxQueuedBytes pile up unread is dropped.
    void Send(std::vector<std::uint8_t> frame);
    // Asks the I/O thread to drop the connection.
    void Close();

    // The I/O thread's side.
    bool TakeFrame(std::vector<std::uint8_t>& frame);
    bool HasOutput();
    bool CloseRequested();
    void MarkClosed();

    static constexpr std::size_t kMaxQueuedBytes = 16u << 20;

private:
    void (*wake_)();
    std::mutex mutex_;
    std::deque<std::vector<std::uint8_t>> frames_;
    std::size_t queuedBytes_ = 0;
    bool closeRequested_ = false;
    bool closed_ = false;
};

}  // namespace com
