#include "espeak_engine.h"

#include "espeak_library.h"
#include "time_stretch.h"

#include <sapi.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace speech {
namespace {

constexpr int kSlowestEspeakWpm = espeakRATE_MINIMUM;  // espeak-ng does not speak slower; TimeStretch goes on
constexpr int kBufferMs = 20;                    // callback granularity: low latency, quick stops

std::string EscapeForSsml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + 16);
    for (char c : text) {
        switch (c) {
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '&': out += "&amp;"; break;
        default: out += c;
        }
    }
    return out;
}

int EspeakPitch(int pitch) { return 50 + 5 * std::clamp(pitch, -10, 10); }

thread_local const PcmSink* currentSink = nullptr;  // the sink of the synthesis on this thread
thread_local bool sinkStopped = false;

int OnSamples(short* samples, int count, espeak_EVENT*)
{
    if (!samples || count <= 0 || !currentSink) return sinkStopped ? 1 : 0;
    if (!(*currentSink)(reinterpret_cast<const std::int16_t*>(samples), static_cast<std::size_t>(count))) {
        sinkStopped = true;
        return 1;
    }
    return 0;
}

HRESULT SynthesizeOn(EspeakLibrary& espeak, const std::string& voiceIdentifier, const SpeechStyle& style,
                     std::string_view text, const PcmSink& sink)
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

    std::string markup;
    unsigned flags = espeakCHARS_UTF8;
    if (style.emphasis || style.spell) {
        markup = "<speak>";
        if (style.emphasis) markup += "<emphasis>";
        if (style.spell) markup += "<say-as interpret-as=\"characters\">";
        markup += EscapeForSsml(text);
        if (style.spell) markup += "</say-as>";
        if (style.emphasis) markup += "</emphasis>";
        markup += "</speak>";
        text = markup;
        flags |= espeakSSML;
    }
    std::string buffer(text);  // espeak-ng wants a terminated string
    std::lock_guard turn(RandomSequenceTurn());
    // Some voices' breath noise comes from rand(), whose state outlives a copy of
    // espeak-ng: every synthesis starts from the same seed, as a new process would.
    std::srand(1);
    auto synthesize = [&](const PcmSink& target) {
        currentSink = &target;
        sinkStopped = false;
        espeak_ERROR result = espeak.Synth(buffer.c_str(), buffer.size() + 1, 0, POS_CHARACTER, 0, flags, nullptr, nullptr);
        currentSink = nullptr;
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
                       const PcmSink& sink) override
    {
        if (!library_) return SPERR_ENGINE_FAILED;
        return SynthesizeOn(*library_, voice, style, text, sink);
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
                                const PcmSink& sink)
{
    auto library = LoadWithCallback();
    if (!library) return SPERR_ENGINE_FAILED;
    return SynthesizeOn(*library, voice, style, text, sink);
}

}  // namespace speech
