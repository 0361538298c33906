#include "synthesizer.h"

#include "espeak_library.h"
#include "time_stretch.h"

#include <sapi.h>


#include <algorithm>
#include <cmath>

namespace speech {
namespace {

constexpr int kNormalWpm = espeakRATE_NORMAL;  // 175
constexpr int kSlowestEspeakWpm = espeakRATE_MINIMUM;  // espeak-ng does not speak slower; TimeStretch goes on
constexpr int kSlowestWpm = 58;   // a third of the normal speed
constexpr int kFastestWpm = 550;  // about three times as fast (pauses shrink less); libsonic above 450
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

}  // namespace

int WordsPerMinuteForRate(int rate)
{
    rate = std::clamp(rate, -10, 10);
    double factor = rate >= 0 ? std::pow(double(kFastestWpm) / kNormalWpm, rate / 10.0)
                              : std::pow(double(kSlowestWpm) / kNormalWpm, -rate / 10.0);
    return static_cast<int>(std::lround(kNormalWpm * factor));
}

namespace {

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

}  // namespace

Synthesizer& Synthesizer::Instance()
{
    static Synthesizer instance;
    return instance;
}

Synthesizer::Synthesizer()
{
    auto library = EspeakLibrary::Load(kBufferMs);
    available_ = library && library->sampleRate() == kNativeSampleRate;
    if (!available_) return;
    const espeak_VOICE** list = library->ListVoices(nullptr);
    for (int i = 0; list && list[i]; ++i) {
        const espeak_VOICE* v = list[i];
        std::string identifier = v->identifier ? v->identifier : "";
        if (identifier.empty() || identifier.rfind("mb/", 0) == 0) continue;
        // languages: a priority byte, then a zero-terminated tag, repeated.
        std::string language = v->languages && v->languages[0] ? v->languages + 1 : "";
        voices_.push_back({identifier, v->name ? v->name : identifier, language});
    }
}

std::string Synthesizer::PreferredVoiceFor(const std::string& languageTag)
{
    std::lock_guard lock(mutex_);
    if (!available_ || languageTag.empty()) return {};
    auto library = EspeakLibrary::Load(kBufferMs);
    if (!library) return {};
    espeak_VOICE wanted{};
    wanted.languages = languageTag.c_str();
    const espeak_VOICE** found = library->ListVoices(&wanted);
    for (int i = 0; found && found[i]; ++i) {
        std::string identifier = found[i]->identifier ? found[i]->identifier : "";
        if (!identifier.empty() && identifier.rfind("mb/", 0) != 0) return identifier;
    }
    return {};
}

Synthesizer::Session Synthesizer::Begin()
{
    std::unique_lock lock(mutex_);
    std::unique_ptr<EspeakLibrary> library;
    if (available_) library = EspeakLibrary::Load(kBufferMs);
    if (library) library->SetSynthCallback(&OnSamples);
    return Session(std::move(lock), std::move(library));
}

Synthesizer::Session::Session(std::unique_lock<std::mutex> lock, std::unique_ptr<EspeakLibrary> library)
    : lock_(std::move(lock)), library_(std::move(library))
{
}

Synthesizer::Session::Session(Session&&) noexcept = default;

Synthesizer::Session::~Session()
{
    library_.reset();  // unloaded before the next session may load
}

namespace {

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

}  // namespace

HRESULT Synthesizer::Session::Synthesize(const std::string& voiceIdentifier, const SpeechStyle& style,
                                         std::string_view text, const PcmSink& sink)
{
    if (!library_) return SPERR_ENGINE_FAILED;
    return SynthesizeOn(*library_, voiceIdentifier, style, text, sink);
}

HRESULT SynthesizeOnFreshCopy(const std::string& voiceIdentifier, const SpeechStyle& style, std::string_view text,
                              const PcmSink& sink)
{
    auto library = EspeakLibrary::Load(kBufferMs);
    if (!library || library->sampleRate() != kNativeSampleRate) return SPERR_ENGINE_FAILED;
    {
        library->SetSynthCallback(&OnSamples);
    }
    return SynthesizeOn(*library, voiceIdentifier, style, text, sink);
}

}  // namespace speech
