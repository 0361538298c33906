// What the engine asks of a synthesizer (espeak-ng, flite): its voices, and one
// request's text rendered into samples. Every synthesizer hands over 16-bit mono
// PCM at kNativeSampleRate, so the rest of the engine need not know which spoke.
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

// What every synthesizer produces: 16-bit signed mono PCM at this rate.
inline constexpr int kNativeSampleRate = 22050;

struct InstalledVoice {
    std::string identifier;  // unique over all synthesizers, e.g. "gmw/en", "flite/cmu_us_slt"
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

// A word as a synthesizer says it: where it is in the text it was given, and the
// sample its sound begins at, counted from the start of that synthesis. A token the
// synthesizer says as several words (a number) is one word here.
struct WordMark {
    std::size_t position = 0;  // bytes into the text
    std::size_t length = 0;    // bytes, without the punctuation around it
    std::uint64_t sample = 0;
};
// Receives the words in order, before the samples of their sound.
using WordSink = std::function<void(const WordMark&)>;

// Words per minute for a rate: 175 at 0, 550 at 10 (about three times as fast), 58 at -10
// (a third). Strictly increasing; every synthesizer speaks over this range.
int WordsPerMinuteForRate(int rate);

// espeak-ng and flite both draw noise from the C library's rand(), one sequence for
// the whole process: a synthesis holds this while it runs, so no other one moves the
// sequence under it.
std::mutex& RandomSequenceTurn();

class VoiceEngine {
public:
    virtual ~VoiceEngine() = default;

    // What a request holds while it is rendered (the synthesizer, if it allows one
    // user at a time).
    class Session {
    public:
        virtual ~Session() = default;
        // S_OK when the text was done or the sink stopped it; SPERR_ENGINE_FAILED
        // for a voice the synthesizer does not have or a failed synthesis. `words`
        // (may be null) is told of each word.
        virtual HRESULT Synthesize(const std::string& voice, const SpeechStyle& style, std::string_view text,
                                   const PcmSink& sink, const WordSink* words) = 0;
    };

    virtual const std::vector<InstalledVoice>& Voices() const = 0;
    bool Has(const std::string& voice) const;
    // The synthesizer's own choice for a language tag, "" when it has none.
    virtual std::string PreferredVoiceFor(const std::string& languageTag) = 0;
    // Waits until the synthesizer can be used, then holds it for the session.
    virtual std::unique_ptr<Session> Begin() = 0;
};

}  // namespace speech
