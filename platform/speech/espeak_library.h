// One freshly loaded copy of espeak-ng. The library keeps state in static variables
// (pitch flutter, wave phase) that carry from one utterance into the next and that
// no call resets, so the same text would sound slightly different each time; a
// request that starts from a fresh copy sounds the same every time.
#pragma once

#include <espeak-ng/speak_lib.h>

#include <memory>

namespace speech {

class EspeakLibrary {
public:
    // Loads and initialises a copy for synchronous synthesis with callbacks of
    // `bufferMs`; nullptr when espeak-ng or its data is missing. Only one copy may
    // exist at a time (the loader gives out the same copy again otherwise).
    static std::unique_ptr<EspeakLibrary> Load(int bufferMs);
    ~EspeakLibrary();
    EspeakLibrary(const EspeakLibrary&) = delete;
    EspeakLibrary& operator=(const EspeakLibrary&) = delete;

    int sampleRate() const { return sampleRate_; }

    decltype(&espeak_SetSynthCallback) SetSynthCallback = nullptr;
    decltype(&espeak_ListVoices) ListVoices = nullptr;
    decltype(&espeak_SetVoiceByName) SetVoiceByName = nullptr;
    decltype(&espeak_SetParameter) SetParameter = nullptr;
    decltype(&espeak_Synth) Synth = nullptr;

private:
    EspeakLibrary() = default;

    void* handle_ = nullptr;
    decltype(&espeak_Terminate) terminate_ = nullptr;
    int sampleRate_ = 0;
};

}  // namespace speech
