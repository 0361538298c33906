// espeak-ng as one of the engine's synthesizers. espeak-ng is not thread safe and
// keeps state from one utterance to the next, so synthesis happens in sessions:
// one at a time, each on a freshly loaded copy of the library (about a millisecond
// to set up), so the same request always gives the same samples.
#pragma once

#include "voice_engine.h"

#include <mutex>

namespace speech {

class EspeakEngine final : public VoiceEngine {
public:
    // nullptr when espeak-ng or its data is missing.
    static std::unique_ptr<EspeakEngine> Load();

    const std::vector<InstalledVoice>& Voices() const override { return voices_; }
    std::string PreferredVoiceFor(const std::string& languageTag) override;
    std::unique_ptr<Session> Begin() override;

private:
    EspeakEngine() = default;

    std::mutex mutex_;
    std::vector<InstalledVoice> voices_;  // espeak-ng's order, voices needing MBROLA left out
};

// Synthesizes on a copy of espeak-ng loaded for this call alone, without the
// engine's lock: for a process that renders one piece (a render worker).
HRESULT SynthesizeOnFreshEspeak(const std::string& voice, const SpeechStyle& style, std::string_view text,
                                const PcmSink& sink, const WordSink* words);

}  // namespace speech
