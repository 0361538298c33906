#include "speak_queue.h"

#include "parallel_render.h"
#include "wave_format.h"
#include "wide_text.h"

#include <chrono>
#include <cstdlib>

namespace speech {

// One request's events on their way to the voice's: numbered with its stream, at
// offsets from where the request starts in its output, and for an output that
// plays, at the device's position of their sound.
class SpeakQueue::RequestEvents final : public RenderObserver {
public:
    RequestEvents(SpeakQueue& queue, const SpeakRequest& request) : queue_(queue), request_(request)
    {
        ULONGLONG written = 0, heard = 0;
        if (request.device && SUCCEEDED(request.device->GetPosition(&written, &heard))) deviceStart_ = written;
        // A file's events tell where their samples are in the file.
        CComPtr<ISpStream> file;
        ULARGE_INTEGER position{};
        if (!request.device && SUCCEEDED(request.output->QueryInterface(IID_ISpStream, reinterpret_cast<void**>(&file)))
            && SUCCEEDED(file->Seek(LARGE_INTEGER{}, STREAM_SEEK_CUR, &position)))
            fileStart_ = position.QuadPart;
    }

    void Event(const RenderedEvent& rendered) override
    {
        VoiceEvent event;
        event.id = rendered.id;
        event.stream = request_.state->streamNumber;
        event.offset = fileStart_ + rendered.offset;
        if (rendered.id == SPEI_TTS_BOOKMARK) {
            event.bookmark = Utf8ToUtf16(rendered.bookmark);
            event.wParam = static_cast<WPARAM>(std::atol(rendered.bookmark.c_str()));
        } else {
            event.wParam = rendered.length;
            event.lParam = static_cast<LPARAM>(rendered.position);
        }
        queue_.events_.Add(std::move(event), request_.device, deviceStart_ + rendered.offset);
    }

    void WaitWhilePaused(CancelToken& cancel) override { queue_.WaitWhilePaused(cancel); }

private:
    SpeakQueue& queue_;
    const SpeakRequest& request_;
    ULONGLONG deviceStart_ = 0;
    ULONGLONG fileStart_ = 0;
};

SpeakQueue::SpeakQueue(VoiceEvents& events) : events_(events), thread_([this] { Run(); }) {}

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
    std::list<SpeakRequest> discarded;  // allocates nothing: the destructor purges too
    {
        std::lock_guard lock(mutex_);
        paused_ = false;
        discarded.splice(discarded.end(), queue_);
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

void SpeakQueue::SetPaused(bool paused)
{
    {
        std::lock_guard lock(mutex_);
        paused_ = paused;
    }
    changed_.notify_all();
}

void SpeakQueue::WaitWhilePaused(CancelToken& cancel)
{
    std::unique_lock lock(mutex_);
    // A purge cancels and unpauses under this lock, so the wait cannot miss it.
    changed_.wait(lock, [&] { return !paused_ || cancel.IsCancelled() || stopping_; });
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
            // A pause holds the next request back.
            changed_.wait(lock, [&] { return stopping_ || (!queue_.empty() && !paused_); });
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
        notice.Post();
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
    RequestEvents events(*this, request);
    if (!state.cancel.IsCancelled() && !request.pieces.empty()) {
        hr = S_FALSE;  // until rendered in pieces
        std::vector<std::size_t> chapterStarts;
        if (!request.device) {
            chapterStarts = TakeChapterStarts(request.pieces, request.output);
            // Workers tell their pieces' events only when someone listens.
            hr = RenderInParallel(request.pieces, request.settings, request.output, request.format, state.cancel,
                                  [&](ULONG position) { state.inputPosition = position; }, chapterStarts,
                                  events_.Interested() ? &events : nullptr);
        }
        if (hr == S_FALSE)
            hr = RenderRequest(request.pieces, request.settings, request.output, request.format, state.cancel,
                               chapterStarts, &events);
    }
    if (request.device) {
        if (state.cancel.IsCancelled()) {
            request.device->Discard();  // the sound stops now, not when the buffer runs dry
        } else if (SUCCEEDED(hr) && !request.pieces.empty() && !NextUsesSameOutput(request)) {
            // With nothing queued behind it, a request is done when it has been heard.
            hr = request.device->WaitUntilPlayed(&state.cancel);
            // The last few milliseconds still in the server count as heard, so the
            // request's end is told before its waiters return.
            if (SUCCEEDED(hr) && !state.cancel.IsCancelled()) events_.ReachAll();
        }
    }
    state.result = hr;
}

}  // namespace speech
