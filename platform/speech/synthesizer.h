// The process's one espeak-ng instance (the library keeps global state and is not
// thread safe): every call is serialised here.
#pragma once

#include <winerror.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace speech {

// What the synthesizer produces: 16-bit signed mono PCM at this rate.
inline constexpr int kNativeSampleRate = 22050;

struct InstalledVoice {
    std::string identifier;  // espeak-ng's file name of the voice, e.g. "gmw/en"
    std::string name;        // e.g. "English (Great Britain)"
    std::string language;    // its first language tag, e.g. "en-gb"
};

// How one piece of text is said.
struct SpeechStyle {
    int rate = 0;   // -10..10, 0 the voice's normal speed
    int pitch = 0;  // -10..10, 0 the voice's normal pitch
    bool emphasis = false;
    bool spell = false;  // letter by letter
};

// Receives the samples as they are made; returning false stops the synthesis.
using PcmSink = std::function<bool(const std::int16_t* samples, std::size_t count)>;

// Words per minute for a rate: 175 at 0, 550 at 10 (about three times as fast), 58 at -10
// (a third; below espeak-ng's slowest 80 the speech is stretched). Strictly increasing.
int WordsPerMinuteForRate(int rate);

class EspeakLibrary;

// Synthesizes on a copy of espeak-ng loaded for this call alone, without the
// process's synthesizer and its lock: for a process that renders one piece (a
// render worker). S_OK, or SPERR_ENGINE_FAILED when espeak-ng is unavailable or fails.
HRESULT SynthesizeOnFreshCopy(const std::string& voiceIdentifier, const SpeechStyle& style, std::string_view text,
                              const PcmSink& sink);

// The process's synthesizer. espeak-ng is not thread safe and keeps state from one
// utterance to the next, so synthesis happens in sessions: one at a time, each on a
// freshly loaded copy of the library (about a millisecond to set up), so the same
// request always gives the same samples.
class Synthesizer {
public:
    static Synthesizer& Instance();

    bool Available() const { return available_; }
    // Installed voices in espeak-ng's order (voices needing MBROLA left out).
    const std::vector<InstalledVoice>& Voices() const { return voices_; }
    // The identifier of espeak-ng's preferred voice for a language tag ("" when none).
    std::string PreferredVoiceFor(const std::string& languageTag);

    class Session {
    public:
        Session(Session&&) noexcept;
        ~Session();
        // Synthesizes UTF-8 text with a voice; S_OK when the text was done or the sink
        // stopped it, SPERR_ENGINE_FAILED when espeak-ng is unavailable or fails.
        HRESULT Synthesize(const std::string& voiceIdentifier, const SpeechStyle& style, std::string_view text,
                           const PcmSink& sink);

    private:
        friend class Synthesizer;
        Session(std::unique_lock<std::mutex> lock, std::unique_ptr<EspeakLibrary> library);

        std::unique_lock<std::mutex> lock_;
        std::unique_ptr<EspeakLibrary> library_;
    };

    // Waits for the synthesizer and starts from its initial state.
    Session Begin();
    // A session of one piece.
    HRESULT Synthesize(const std::string& voiceIdentifier, const SpeechStyle& style, std::string_view text,
                       const PcmSink& sink)
    {
        return Begin().Synthesize(voiceIdentifier, style, text, sink);
    }

    Synthesizer(const Synthesizer&) = delete;
    Synthesizer& operator=(const Synthesizer&) = delete;

private:
    Synthesizer();

    std::mutex mutex_;
    bool available_ = false;
    std::vector<InstalledVoice> voices_;
};

}  // namespace speech
