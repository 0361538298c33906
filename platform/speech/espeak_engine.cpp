#include "espeak_engine.h"

#include "espeak_library.h"
#include "time_stretch.h"

#include <sapi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <vector>

namespace speech {
namespace {

constexpr int kSlowestEspeakWpm = espeakRATE_MINIMUM;  // espeak-ng does not speak slower; TimeStretch goes on
constexpr int kBufferMs = 20;                    // callback granularity: low latency, quick stops

// What espeak-ng is given: the text itself, or the text wrapped in SSML, with the
// byte of the text each of its bytes stands for (markup: where it stands).
struct GivenText {
    std::string bytes;
    std::vector<std::uint32_t> source;  // empty when `bytes` is the text itself
};

GivenText WrapInSsml(std::string_view text, const SpeechStyle& style)
{
    std::string open = "<speak>", close;
    if (style.emphasis) open += "<emphasis>", close = "</emphasis>" + close;
    if (style.spell) open += "<say-as interpret-as=\"characters\">", close = "</say-as>" + close;
    close += "</speak>";
    GivenText given;
    auto add = [&](std::string_view part, std::size_t at) {
        given.bytes += part;
        given.source.insert(given.source.end(), part.size(), static_cast<std::uint32_t>(at));
    };
    add(open, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        switch (text[i]) {
        case '<': add("&lt;", i); break;
        case '>': add("&gt;", i); break;
        case '&': add("&amp;", i); break;
        default: add(text.substr(i, 1), i);
        }
    }
    add(close, text.size());
    return given;
}

bool IsEdgePunctuation(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || std::string_view("\"'([{.,;:!?)]}-").find(c) != std::string_view::npos;
}

// espeak-ng's word events as WordMarks: its positions count the characters of what
// it was given from 1. A word that starts inside the one before it is the same
// token said as several words (a number, a phrase of its dictionary).
class EspeakWords {
public:
    EspeakWords(const GivenText& given, std::string_view text, const WordSink& sink, double sampleScale)
        : given_(given), text_(text), sink_(sink), scale_(sampleScale)
    {
        for (std::size_t i = 0; i < given.bytes.size(); ++i)
            if ((static_cast<unsigned char>(given.bytes[i]) & 0xC0) != 0x80) characters_.push_back(i);
        characters_.push_back(given.bytes.size());
    }

    void Take(const espeak_EVENT& event)
    {
        if (event.type != espeakEVENT_WORD || event.text_position < 1 || event.length < 1) return;
        const std::size_t first = std::min<std::size_t>(static_cast<std::size_t>(event.text_position) - 1, characters_.size() - 1);
        const std::size_t last = std::min(first + static_cast<std::size_t>(event.length), characters_.size() - 1);
        std::size_t start = TextByte(characters_[first]), end = TextByte(characters_[last]);
        while (start < end && IsEdgePunctuation(text_[start])) ++start;
        while (end > start && IsEdgePunctuation(text_[end - 1])) --end;
        if (end <= start || start < tokenEnd_) return;
        tokenEnd_ = end;
        sink_({start, end - start, static_cast<std::uint64_t>(event.sample * scale_)});
    }

private:
    std::size_t TextByte(std::size_t givenByte) const
    {
        if (given_.source.empty()) return std::min(givenByte, text_.size());
        return givenByte < given_.source.size() ? given_.source[givenByte] : text_.size();
    }

    const GivenText& given_;
    std::string_view text_;
    const WordSink& sink_;
    double scale_;
    std::vector<std::size_t> characters_;  // the byte each character of the given text starts at
    std::size_t tokenEnd_ = 0;
};

int EspeakPitch(int pitch) { return 50 + 5 * std::clamp(pitch, -10, 10); }

thread_local const PcmSink* currentSink = nullptr;  // the sink of the synthesis on this thread
thread_local EspeakWords* currentWords = nullptr;
thread_local bool sinkStopped = false;

int OnSamples(short* samples, int count, espeak_EVENT* events)
{
    if (currentWords)
        for (espeak_EVENT* event = events; event && event->type != espeakEVENT_LIST_TERMINATED; ++event)
            currentWords->Take(*event);
    if (!samples || count <= 0 || !currentSink) return sinkStopped ? 1 : 0;
    if (!(*currentSink)(reinterpret_cast<const std::int16_t*>(samples), static_cast<std::size_t>(count))) {
        sinkStopped = true;
        return 1;
    }
    return 0;
}

HRESULT SynthesizeOn(EspeakLibrary& espeak, const std::string& voiceIdentifier, const SpeechStyle& style,
                     std::string_view text, const PcmSink& sink, const WordSink* words)
{
    if (espeak.SetVoiceByName(voiceIdentifier.c_str()) != EE_OK) return SPERR_ENGINE_FAILED;
    // Every parameter is set for every piece, so the output depends on the input alone.
    const int wordsPerMinute = WordsPerMinuteForRate(style.rate);
    const int espeakWordsPerMinute = std::max(wordsPerMinute, kSlowestEspeakWpm);
    espeak.SetParameter(espeakRATE, espeakWordsPerMinute, 0);
    espeak.SetParameter(espeakPITCH, EspeakPitch(style.pitch), 0);
    espeak.SetParameter(espeakRANGE, 50, 0);
    espeak.SetParameter(espeakVOLUME, 100, 0);
    espeak.SetParameter(espeakWORDGAP, 0, 0);
    espeak.SetParameter(espeakPUNCTUATION, espeakPUNCT_NONE, 0);

    unsigned flags = espeakCHARS_UTF8;
    GivenText given;  // a terminated string, as espeak-ng wants
    if (style.emphasis || style.spell) {
        given = WrapInSsml(text, style);
        flags |= espeakSSML;
    } else {
        given.bytes.assign(text);
    }
    // Below espeak-ng's slowest speed its samples are stretched, and so are the words' places.
    const double slowdown = double(espeakWordsPerMinute) / std::min(wordsPerMinute, espeakWordsPerMinute);
    std::optional<EspeakWords> spoken;
    if (words) spoken.emplace(given, text, *words, slowdown);
    std::lock_guard turn(RandomSequenceTurn());
    // Some voices' breath noise comes from rand(), whose state outlives a copy of
    // espeak-ng: every synthesis starts from the same seed, as a new process would.
    std::srand(1);
    auto synthesize = [&](const PcmSink& target) {
        currentSink = &target;
        currentWords = spoken ? &*spoken : nullptr;
        sinkStopped = false;
        espeak_ERROR result =
            espeak.Synth(given.bytes.c_str(), given.bytes.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
        currentSink = nullptr;
        currentWords = nullptr;
        return result;
    };
    if (wordsPerMinute >= espeakWordsPerMinute)
        return synthesize(sink) == EE_OK ? S_OK : SPERR_ENGINE_FAILED;

    // Slower than espeak-ng can speak: stretch its slowest speech the rest of the way.
    TimeStretch stretch(double(wordsPerMinute) / espeakWordsPerMinute, kNativeSampleRate);
    bool stopped = false;
    PcmSink stretched = [&](const std::int16_t* samples, std::size_t count) {
        stopped = !stretch.Push(samples, count, sink);
        return !stopped;
    };
    if (synthesize(stretched) != EE_OK) return SPERR_ENGINE_FAILED;
    if (!stopped) stretch.Finish(sink);
    return S_OK;
}


class EspeakSession final : public VoiceEngine::Session {
public:
    EspeakSession(std::unique_lock<std::mutex> lock, std::unique_ptr<EspeakLibrary> library)
        : lock_(std::move(lock)), library_(std::move(library))
    {
    }
    ~EspeakSession() override { library_.reset(); }  // unloaded before the next session may load

    HRESULT Synthesize(const std::string& voice, const SpeechStyle& style, std::string_view text,
                       const PcmSink& sink, const WordSink* words) override
    {
        if (!library_) return SPERR_ENGINE_FAILED;
        return SynthesizeOn(*library_, voice, style, text, sink, words);
    }

private:
    std::unique_lock<std::mutex> lock_;
    std::unique_ptr<EspeakLibrary> library_;
};

// The copy that listed the voices, kept for the preferred-voice questions that
// follow it at start-up. A copy is only fresh when no other is loaded (dlopen
// hands out the loaded one), so whatever loads a copy drops this one first.
std::mutex listingMutex;
std::unique_ptr<EspeakLibrary> listingCopy;

void DropListingCopy()
{
    std::lock_guard lock(listingMutex);
    listingCopy.reset();
}

std::unique_ptr<EspeakLibrary> LoadWithCallback()
{
    DropListingCopy();
    auto library = EspeakLibrary::Load(kBufferMs);
    if (!library || library->sampleRate() != kNativeSampleRate) return nullptr;
    library->SetSynthCallback(&OnSamples);
    return library;
}

}  // namespace

std::unique_ptr<EspeakEngine> EspeakEngine::Load()
{
    DropListingCopy();
    auto library = EspeakLibrary::Load(kBufferMs);
    if (!library || library->sampleRate() != kNativeSampleRate) return nullptr;
    std::unique_ptr<EspeakEngine> engine(new EspeakEngine);
    const espeak_VOICE** list = library->ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE* v = list[i];
        std::string identifier = v->identifier ? v->identifier : "";
        if (identifier.empty() || identifier.rfind("mb/", 0) == 0) continue;
        // languages: a priority byte, then a zero-terminated tag, repeated.
        std::string language = v->languages && v->languages[0] ? v->languages + 1 : "";
        engine->voices_.push_back({identifier, v->name ? v->name : identifier, language});
    }
    std::lock_guard lock(listingMutex);
    listingCopy = std::move(library);
    return engine;
}

std::string EspeakEngine::PreferredVoiceFor(const std::string& languageTag)
{
    std::lock_guard lock(mutex_);
    if (languageTag.empty()) return {};
    std::lock_guard listing(listingMutex);
    if (!listingCopy) listingCopy = EspeakLibrary::Load(kBufferMs);
    if (!listingCopy) return {};
    espeak_VOICE wanted{};
    wanted.languages = languageTag.c_str();
    const espeak_VOICE** found = listingCopy->ListVoices(&wanted);
    for (int i = 0; found && found[i]; ++i) {
        std::string identifier = found[i]->identifier ? found[i]->identifier : "";
        if (!identifier.empty() && identifier.rfind("mb/", 0) != 0) return identifier;
    }
    return {};
}

std::unique_ptr<VoiceEngine::Session> EspeakEngine::Begin()
{
    std::unique_lock lock(mutex_);
    auto library = LoadWithCallback();
    return std::make_unique<EspeakSession>(std::move(lock), std::move(library));
}

HRESULT SynthesizeOnFreshEspeak(const std::string& voice, const SpeechStyle& style, std::string_view text,
                                const PcmSink& sink, const WordSink* words)
{
    auto library = LoadWithCallback();
    if (!library) return SPERR_ENGINE_FAILED;
    return SynthesizeOn(*library, voice, style, text, sink, words);
}

}  // namespace speech
