#include "server_link.h"

namespace com {

void ServerLink::Send(std::vector<std::uint8_t> frame)
{
    {
        std::lock_guard lock(mutex_);
        if (closed_ || closeRequested_) return;
        queuedBytes_ += frame.size();
        if (queuedBytes_ > kMaxQueuedBytes) {
            closeRequested_ = true;
            frames_.clear();
        } else {
            frames_.push_back(std::move(frame));
        }
    }
    wake_();
}

void ServerLink::Close()
{
    {
        std::lock_guard lock(mutex_);
        if (closed_) return;
        closeRequested_ = true;
    }
    wake_();
}

bool ServerLink::TakeFrame(std::vector<std::uint8_t>& frame)
{
    std::lock_guard lock(mutex_);
    if (frames_.empty()) return false;
    frame = std::move(frames_.front());
    frames_.pop_front();
    queuedBytes_ -= frame.size();
    return true;
}

bool ServerLink::HasOutput()
{
    std::lock_guard lock(mutex_);
    return !frames_.empty();
}

bool ServerLink::CloseRequested()
{
    std::lock_guard lock(mutex_);
    return closeRequested_;
}

void ServerLink::MarkClosed()
{
    std::lock_guard lock(mutex_);
    closed_ = true;
    frames_.clear();
    queuedBytes_ = 0;
}

}  // namespace com
