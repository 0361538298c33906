// The process's synthesizers (espeak-ng, and flite when it is installed) behind
// one front: all their voices, and sessions that speak with any of them.
#pragma once

#include "voice_engine.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

// Synthesizes with a voice on a fresh instance of its synthesizer, without the
// process's sessions: for a process that renders one piece (a render worker).
// S_OK, or SPERR_ENGINE_FAILED when the synthesizer is unavailable or fails.
HRESULT SynthesizeOnFreshCopy(const std::string& voice, const SpeechStyle& style, std::string_view text,
                              const PcmSink& sink, const WordSink* words = nullptr);

class Synthesizer {
public:
    static Synthesizer& Instance();
    // The synthesizers that loaded, in the order their voices are listed.
    explicit Synthesizer(std::vector<std::unique_ptr<VoiceEngine>> engines);

    bool Available() const { return !voices_.empty(); }
    // Every synthesizer's voices: espeak-ng's first, in its order, then flite's.
    const std::vector<InstalledVoice>& Voices() const { return voices_; }
    // For English the clearest installed voice (english_voice_ranking.h); else, and
    // when no ranked voice is installed, the first synthesizer's choice ("" when none
    // has one).
    std::string PreferredVoiceFor(const std::string& languageTag);

    // One request's use of the synthesizers: a synthesizer is held from the first
    // piece spoken with one of its voices to the end of the session.
    class Session {
    public:
        Session(Session&&) noexcept;
        ~Session();
        // S_OK when the text was done or the sink stopped it, SPERR_ENGINE_FAILED for
        // an unknown voice or a failed synthesis.
        HRESULT Synthesize(const std::string& voice, const SpeechStyle& style, std::string_view text,
                           const PcmSink& sink, const WordSink* words = nullptr);

    private:
        friend class Synthesizer;
        explicit Session(Synthesizer& owner);

        Synthesizer* owner_;
        std::vector<std::unique_ptr<VoiceEngine::Session>> held_;  // by engine index
    };

    Session Begin() { return Session(*this); }
    // A session of one piece.
    HRESULT Synthesize(const std::string& voice, const SpeechStyle& style, std::string_view text,
                       const PcmSink& sink, const WordSink* words = nullptr)
    {
        return Begin().Synthesize(voice, style, text, sink, words);
    }

    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

private:
    std::vector<std::unique_ptr<VoiceEngine>> engines_;
    std::vector<InstalledVoice> voices_;
};

}  // namespace speech
