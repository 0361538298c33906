#include "speak_queue.h"

#include "parallel_render.h"

#include <winuser.h>

#include <chrono>

namespace speech {

SpeakQueue::SpeakQueue() : thread_([this] { Run(); }) {}

SpeakQueue::~SpeakQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    Purge();
    changed_.notify_all();
    thread_.join();
}

void SpeakQueue::Purge()
{
    std::deque<SpeakRequest> discarded;
    {
        std::lock_guard lock(mutex_);
        discarded.swap(queue_);
        for (SpeakRequest& request : discarded) request.state->done = true;
        if (current_) current_->cancel.Cancel();
    }
    changed_.notify_all();
    // `discarded` releases the outputs outside the lock: a file stream may finish itself.
}

std::shared_ptr<RequestState> SpeakQueue::Submit(SpeakRequest request)
{
    auto state = request.state;
    {
        std::lock_guard lock(mutex_);
        queue_.push_back(std::move(request));
    }
    changed_.notify_all();
    return state;
}

HRESULT SpeakQueue::WaitFor(const std::shared_ptr<RequestState>& state)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return state->done; });
    return state->result;
}

bool SpeakQueue::WaitUntilIdle(DWORD timeoutMs)
{
    std::unique_lock lock(mutex_);
    auto idle = [&] { return queue_.empty() && !current_; };
    if (timeoutMs == INFINITE) {
        changed_.wait(lock, idle);
        return true;
    }
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), idle);
}

QueueStatus SpeakQueue::Status()
{
    std::lock_guard lock(mutex_);
    QueueStatus status;
    status.lastResult = lastResult_;
    if (current_) {
        status.speaking = true;
        status.currentStream = current_->streamNumber;
        status.inputPosition = current_->inputPosition.load(std::memory_order_relaxed);
    }
    return status;
}

void SpeakQueue::SetNotice(const WindowNotice& notice)
{
    std::lock_guard lock(mutex_);
    notice_ = notice;
}

HRESULT SpeakQueue::TakeFailure()
{
    std::lock_guard lock(mutex_);
    HRESULT failure = failure_;
    failure_ = S_OK;
    return failure;
}

void SpeakQueue::Run()
{
    for (;;) {
        SpeakRequest request;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty()) return;  // stopping, nothing left
            request = std::move(queue_.front());
            queue_.pop_front();
            current_ = request.state;
        }
        Render(request);
        auto state = request.state;
        request = SpeakRequest{};  // lets go of the output before the request counts as done
        WindowNotice notice;
        {
            std::lock_guard lock(mutex_);
            state->done = true;
            current_.reset();
            lastResult_ = state->result;
            if (FAILED(state->result) && !state->callerWaits && SUCCEEDED(failure_)) failure_ = state->result;
            notice = notice_;
        }
        changed_.notify_all();
        // Posted after the status changed, so the window reads the result of this request.
        if (notice.window) PostMessageA(notice.window, notice.message, notice.wParam, notice.lParam);
    }
}

bool SpeakQueue::NextUsesSameOutput(const SpeakRequest& request)
{
    std::lock_guard lock(mutex_);
    return !queue_.empty() && queue_.front().output == request.output;
}

void SpeakQueue::Render(SpeakRequest& request)
{
    RequestState& state = *request.state;
    HRESULT hr = S_OK;
    if (!state.cancel.IsCancelled() && !request.pieces.empty()) {
        std::optional<HRESULT> parallel;
        std::vector<std::size_t> chapterStarts;
        if (!request.device) {
            chapterStarts = TakeChapterStarts(request.pieces, request.output);
            parallel = RenderInParallel(request.pieces, request.settings, request.output, request.format, state.cancel,
                                        [&](ULONG position) { state.inputPosition = position; }, chapterStarts);
        }
        hr = parallel ? *parallel
                      : RenderRequest(request.pieces, request.settings, request.output, request.format, state.cancel,
                                      chapterStarts);
    }
    if (request.device) {
        if (state.cancel.IsCancelled()) {
            request.device->Discard();  // the sound stops now, not when the buffer runs dry
        } else if (SUCCEEDED(hr) && !request.pieces.empty() && !NextUsesSameOutput(request)) {
            // With nothing queued behind it, a request is done when it has been heard.
            hr = request.device->WaitUntilPlayed(&state.cancel);
        }
    }
    state.result = hr;
}

}  // namespace speech
