// SpMMAudioOut: the default audio output, playing through PulseAudio.
#pragma once

#include "audio_device.h"
#include "pulse_calls.h"

#include <varnel/com_object.h>
#include <sapi.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>

namespace speech {

class SpMMAudioOut final : public ComObject<ISpStreamFormat, IEngineAudioDevice> {
public:
    SpMMAudioOut() = default;

    // The longest a connection attempt may take before it counts as "no server".
    static constexpr std::chrono::milliseconds kConnectTimeout{3000};

    STDMETHOD(Write)(const void* data, ULONG bytes, ULONG* written) override;
    STDMETHOD(GetFormat)(GUID* formatId, WAVEFORMATEX** format) override;
    STDMETHOD(Open)() override;
    STDMETHOD(Discard)() override;
    STDMETHOD(WaitUntilPlayed)(CancelToken* cancel) override;
    STDMETHOD(Pause)() override;
    STDMETHOD(Resume)() override;
    STDMETHOD(GetPosition)(ULONGLONG* written, ULONGLONG* heard) override;

private:
    using Stream = std::shared_ptr<pulse::PlaybackStream>;
    ~SpMMAudioOut() override;
    struct Attempt;
    static std::shared_ptr<Attempt> StartAttempt();
    static Stream Await(Attempt& attempt);
    HRESULT OpenLocked();
    void CloseLocked();
    // The stream, for a call made without the lock (a write may wait long).
    Stream Current();
    // Corks or uncorks the stream; a connection made later starts as this says.
    HRESULT SetPaused(bool paused);
    // Forgets `stream` if it is still the one in use (it failed).
    void Forget(const Stream& stream);

    std::mutex mutex_;
    Stream stream_;
    std::shared_ptr<Attempt> attempt_;  // a connection being made
    bool paused_ = false;
    std::uint64_t written_ = 0;  // bytes accepted, over every connection
};

}  // namespace speech
