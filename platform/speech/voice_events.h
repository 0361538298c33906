// A voice's events. Those in the caller's queued interest wait in a queue until
// fetched (SetInterest, GetEvents, GetInfo); those in its event interest post the
// window's message. Whatever the interests, the word, sentence and bookmark last
// reached are kept for the voice's status. An event of an output that plays is
// reached when its sound is heard: a thread follows the device's position and
// delivers it then. An event of a file is reached as its samples are written.
#pragma once

#include "audio_device.h"

#include <atlbase.h>
#include <sapi.h>
#include <windef.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace speech {

// The window message posted for a voice's news (no window: none).
struct WindowNotice {
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    void Post() const;
};

// An event as the engine makes it; the bookmark's name goes into lParam once fetched.
struct VoiceEvent {
    SPEVENTENUM id = SPEI_UNDEFINED;
    ULONG stream = 0;
    ULONGLONG offset = 0;  // bytes of the output's format from the stream's start
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    std::u16string bookmark;
};

// What the voice's status tells of the events reached.
struct HeardEvents {
    ULONG wordPosition = 0, wordLength = 0;
    ULONG sentencePosition = 0, sentenceLength = 0;
    LONG bookmarkId = 0;
    std::u16string bookmark;
};

class VoiceEvents {
public:
    VoiceEvents() = default;
    ~VoiceEvents();
    VoiceEvents(const VoiceEvents&) = delete;
    VoiceEvents& operator=(const VoiceEvents&) = delete;

    HRESULT SetInterest(ULONGLONG eventInterest, ULONGLONG queuedInterest);
    HRESULT GetEvents(ULONG count, SPEVENT* events, ULONG* fetched);
    HRESULT GetInfo(SPEVENTSOURCEINFO* info);
    void SetNotice(const WindowNotice& notice);
    HeardEvents Heard();
    // Whether a caller listens for any event (the parallel renderer tells none).
    bool Interested();

    // An event, in the order of its sound: reached at once, or, with a device, once
    // the device has played `at` of its bytes.
    void Add(VoiceEvent event, IEngineAudioDevice* device = nullptr, ULONGLONG at = 0);
    // Reaches every event still waiting for its sound: the device has played it all.
    void ReachAll();
    // Forgets the events not yet heard (a purge), and a pause still waiting.
    void DropUnheard();
    // Runs `pause` once the next word boundary still to be heard is heard, when that
    // comes within `window` bytes of the device; else at once.
    void PauseAtNextWord(IEngineAudioDevice* device, ULONGLONG window, std::function<void()> pause);
    // A pause that has not happened yet will not (the resume came first).
    void CancelPause();

private:
    struct Scheduled {
        VoiceEvent event;
        ULONGLONG at;
    };
    void Reach(VoiceEvent event);  // with the lock held; may post
    void Deliver();                // the delivery thread
    void StartDelivery();          // with the lock held

    std::mutex mutex_;
    std::condition_variable changed_;
    ULONGLONG eventInterest_ = 0, queuedInterest_ = 0;
    std::deque<VoiceEvent> queue_;
    WindowNotice notice_;
    HeardEvents heard_;
    // Playback: what waits for its sound, on one device at a time.
    CComPtr<IEngineAudioDevice> device_;
    std::deque<Scheduled> scheduled_;
    std::function<void()> pause_;  // waiting for `pauseAt_`
    ULONGLONG pauseAt_ = 0;
    bool stopping_ = false;
    std::thread delivery_;
};

}  // namespace speech
