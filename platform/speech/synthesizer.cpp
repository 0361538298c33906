#include "synthesizer.h"

#include "english_voice_ranking.h"
#include "espeak_engine.h"
#include "flite_engine.h"

#include <sapi.h>

#include <algorithm>
#include <cmath>

namespace speech {
namespace {

constexpr int kNormalWpm = 175;
constexpr int kSlowestWpm = 58;   // a third of the normal speed
constexpr int kFastestWpm = 550;  // about three times as fast (pauses shrink less)

std::vector<std::unique_ptr<VoiceEngine>> InstalledEngines()
{
    std::vector<std::unique_ptr<VoiceEngine>> engines;
    if (auto espeak = EspeakEngine::Load()) engines.push_back(std::move(espeak));
    if (auto flite = FliteEngine::Load()) engines.push_back(std::move(flite));
    return engines;
}

}  // namespace

int WordsPerMinuteForRate(int rate)
{
    rate = std::clamp(rate, -10, 10);
    double factor = rate >= 0 ? std::pow(double(kFastestWpm) / kNormalWpm, rate / 10.0)
                              : std::pow(double(kSlowestWpm) / kNormalWpm, -rate / 10.0);
    return static_cast<int>(std::lround(kNormalWpm * factor));
}

std::mutex& RandomSequenceTurn()
{
    static std::mutex turn;
    return turn;
}

bool VoiceEngine::Has(const std::string& voice) const
{
    const auto& voices = Voices();
    return std::any_of(voices.begin(), voices.end(), [&](const InstalledVoice& v) { return v.identifier == voice; });
}

Synthesizer& Synthesizer::Instance()
{
    static Synthesizer instance(InstalledEngines());
    return instance;
}

Synthesizer::Synthesizer(std::vector<std::unique_ptr<VoiceEngine>> engines) : engines_(std::move(engines))
{
    for (const auto& engine : engines_)
        voices_.insert(voices_.end(), engine->Voices().begin(), engine->Voices().end());
}

std::string Synthesizer::PreferredVoiceFor(const std::string& languageTag)
{
    // English goes by clarity across the synthesizers; other languages by espeak-ng.
    if (IsEnglishTag(languageTag))
        if (std::string clearest = ClearestEnglishVoice(voices_); !clearest.empty()) return clearest;
    for (const auto& engine : engines_)
        if (std::string voice = engine->PreferredVoiceFor(languageTag); !voice.empty()) return voice;
    return {};
}

Synthesizer::Session::Session(Synthesizer& owner) : owner_(&owner), held_(owner.engines_.size()) {}

Synthesizer::Session::Session(Session&&) noexcept = default;

Synthesizer::Session::~Session() = default;

HRESULT Synthesizer::Session::Synthesize(const std::string& voice, const SpeechStyle& style, std::string_view text,
                                         const PcmSink& sink, const WordSink* words)
{
    for (std::size_t i = 0; i < owner_->engines_.size(); ++i) {
        if (!owner_->engines_[i]->Has(voice)) continue;
        if (!held_[i]) held_[i] = owner_->engines_[i]->Begin();
        return held_[i]->Synthesize(voice, style, text, sink, words);
    }
    return SPERR_ENGINE_FAILED;
}

HRESULT SynthesizeOnFreshCopy(const std::string& voice, const SpeechStyle& style, std::string_view text,
                              const PcmSink& sink, const WordSink* words)
{
    if (IsFliteVoice(voice)) {
        auto flite = FliteEngine::Load();
        if (!flite) return SPERR_ENGINE_FAILED;
        return flite->Begin()->Synthesize(voice, style, text, sink, words);
    }
    return SynthesizeOnFreshEspeak(voice, style, text, sink, words);
}

}  // namespace speech
