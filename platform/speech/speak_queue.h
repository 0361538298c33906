// A voice's requests and the thread that renders them one after another, in
// calling order.
#pragma once

#include "audio_device.h"
#include "cancel_token.h"
#include "markup.h"
#include "request_renderer.h"
#include "voice_events.h"

#include <atlbase.h>
#include <sapi.h>

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

namespace speech {

struct RequestState {
    CancelToken cancel;
    bool done = false;  // guarded by the queue's mutex
    HRESULT result = S_OK;
    bool callerWaits = false;  // a synchronous Speak reports the result itself
    ULONG streamNumber = 0;
    std::atomic<ULONG> inputPosition{0};  // UTF-16 units of the text in the output so far
};

// What the queue is doing, for a voice's status.
struct QueueStatus {
    ULONG currentStream = 0;  // 0 when idle
    ULONG inputPosition = 0;
    HRESULT lastResult = S_OK;  // of the last request that finished
    bool speaking = false;
};

struct SpeakRequest {
    std::vector<SpeechPiece> pieces;
    VoiceSettings settings;
    CComPtr<ISequentialStream> output;
    WAVEFORMATEX format{};
    CComPtr<IEngineAudioDevice> device;  // set when the output plays in real time
    std::shared_ptr<RequestState> state = std::make_shared<RequestState>();
};

class SpeakQueue {
public:
    // The requests' events go to `events`, which outlives the queue.
    explicit SpeakQueue(VoiceEvents& events);
    ~SpeakQueue();  // discards what is queued, stops the request being rendered, joins
    SpeakQueue(const SpeakQueue&) = delete;
    SpeakQueue& operator=(const SpeakQueue&) = delete;

    // Discards the queued requests and stops the one being rendered; ends a pause.
    void Purge();
    // While paused, no request starts and the one being rendered writes nothing more.
    void SetPaused(bool paused);
    // Returns once the queue is not paused, or `cancel` fires.
    void WaitWhilePaused(CancelToken& cancel);
    // Queues a request; its state tells when it is done.
    std::shared_ptr<RequestState> Submit(SpeakRequest request);
    // Waits for one request.
    HRESULT WaitFor(const std::shared_ptr<RequestState>& state);
    // Waits until nothing is queued or rendered: false when the time ran out.
    bool WaitUntilIdle(DWORD timeoutMs);
    // The first failure of a request since the last call (S_OK when none), cleared.
    HRESULT TakeFailure();
    QueueStatus Status();
    // The message posted each time a request ends.
    void SetNotice(const WindowNotice& notice);

private:
    class RequestEvents;
    void Run();
    void Render(SpeakRequest& request);
    bool NextUsesSameOutput(const SpeakRequest& request);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::list<SpeakRequest> queue_;  // a list: a purge takes it whole without allocating
    std::shared_ptr<RequestState> current_;
    HRESULT failure_ = S_OK;
    HRESULT lastResult_ = S_OK;
    bool stopping_ = false;
    bool paused_ = false;
    WindowNotice notice_;
    VoiceEvents& events_;
    std::thread thread_;
};

}  // namespace speech
