// SpMMAudioOut: the default audio output, playing through PulseAudio's simple API.
#pragma once

#include "audio_device.h"
#include "pulse_calls.h"

#include <varnel/com_object.h>
#include <sapi.h>

#include <chrono>
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

private:
    ~SpMMAudioOut() override;
    struct Attempt;
    static std::shared_ptr<Attempt> StartAttempt();
    static pa_simple* Await(Attempt& attempt);
    HRESULT OpenLocked();
    void CloseLocked();

    std::mutex mutex_;
    pa_simple* stream_ = nullptr;
    std::shared_ptr<Attempt> attempt_;  // a connection being made
};

}  // namespace speech
