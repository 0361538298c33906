#include "flite_engine.h"

#include "english_voice_ranking.h"
#include "flite_library.h"
#include "resampler.h"
#include "time_stretch.h"

#include <sapi.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <utility>

namespace speech {
namespace {

constexpr const char* kPrefix = "flite/";
constexpr std::size_t kLongestUtteranceBytes = 600;  // keeps the first audio near and flite's work small
constexpr unsigned kNoiseSeed = 1;
constexpr int kNormalWpm = 175;

// "cmu_us_slt" -> "SLT, English (America), flite"
std::string DescriptionOf(const std::string& name)
{
    std::string speaker = name.substr(name.rfind('_') + 1);
    for (char& c : speaker) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return speaker + ", English (America), flite";
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Where flite would end an utterance anyway: after . ! ? ; : before a blank, and at
// line ends; a run longer than kLongestUtteranceBytes is cut at its last blank.
std::vector<std::string_view> Utterances(std::string_view text)
{
    std::vector<std::string_view> out;
    std::size_t start = 0, lastBlank = std::string_view::npos;
    auto emit = [&](std::size_t end) {
        std::string_view piece = text.substr(start, end - start);
        if (std::any_of(piece.begin(), piece.end(), [](char c) { return !IsBlank(c); })) out.push_back(piece);
        start = end;
        lastBlank = std::string_view::npos;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool next_blank = i + 1 == text.size() || IsBlank(text[i + 1]);
        if (c == '\n' || (std::string_view(".!?;:").find(c) != std::string_view::npos && next_blank)) {
            emit(i + 1);
            continue;
        }
        if (IsBlank(c)) lastBlank = i;
        if (i + 1 - start > kLongestUtteranceBytes && lastBlank != std::string_view::npos && lastBlank > start)
            emit(lastBlank + 1);
    }
    emit(text.size());
    return out;
}

// A text as flite is given it, with the byte of the caller's text each of its
// bytes stands for (none: the same text).
struct GivenText {
    std::string bytes;
    std::vector<std::uint32_t> source;
};

// Letters and digits one by one: flite says a lone letter by its name.
GivenText Spelled(std::string_view text)
{
    GivenText out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        out.bytes += IsBlank(text[i]) ? std::string(", ") : std::string{text[i], ' '};
        out.source.insert(out.source.end(), 2, static_cast<std::uint32_t>(i));
    }
    return out;
}

// The words of a synthesized utterance: each token of its text that flite says,
// where its first word's first segment begins. flite's tokens carry their text but
// not their place, so each is looked for after the one before.
void TellWords(const FliteLibrary& f, const cst_utterance& utterance, std::string_view text, std::size_t offset,
               const GivenText& given, std::uint64_t firstSample, const WordSink& words)
{
    std::size_t cursor = 0;
    for (const cst_item* token = f.RelationHead(f.Relation(&utterance, "Token")); token; token = f.ItemNext(token)) {
        const std::string_view name = f.ItemString(token, "name");
        const std::size_t at = name.empty() ? std::string_view::npos : text.find(name, cursor);
        if (at == std::string_view::npos) continue;
        cursor = at + name.size();
        const cst_item* word = f.ItemDaughter(token);
        if (!word) continue;  // punctuation alone
        const float seconds = f.PathFloat(word, "R:SylStructure.daughter1.daughter1.R:Segment.p.end");
        std::size_t start = offset + at, end = offset + cursor;
        if (!given.source.empty()) start = given.source[start], end = given.source[end - 1] + 1;
        words({start, end - start, firstSample + static_cast<std::uint64_t>(std::max(0.0f, seconds) * kNativeSampleRate)});
    }
}

// One utterance's way from flite's wave, at the voice's rate, to the sink.
struct StreamState {
    const PcmSink* sink = nullptr;
    std::unique_ptr<Resampler> resampler;  // made once the wave's rate is known
    std::unique_ptr<TimeStretch> pitch;    // for a pitch flite could not set itself
    PcmSink pitched = [this](const std::int16_t* samples, std::size_t count) {
        return pitch->Push(samples, count, *sink);
    };
    int delivered = 0;  // samples of the wave handed over
    bool stopped = false;
    std::function<void()> tellWords;  // once flite knows its segments' times, before any sound

    const PcmSink& Resampled() const { return pitch ? pitched : *sink; }
    // Hands over the wave's samples from `delivered` up to `end`.
    void PassOn(const cst_wave& wave, int end)
    {
        if (stopped || end <= delivered) return;
        if (!resampler) resampler = std::make_unique<Resampler>(wave.sample_rate, kNativeSampleRate);
        stopped = !resampler->Push(reinterpret_cast<const std::int16_t*>(wave.samples + delivered),
                                   static_cast<std::size_t>(end - delivered), Resampled());
        delivered = end;
    }
    void Finish()
    {
        if (!stopped && resampler) stopped = !resampler->Finish(Resampled());
        if (!stopped && pitch) stopped = !pitch->Finish(*sink);
    }
    bool Failed() const { return resampler && resampler->failed(); }
};

int OnChunk(const cst_wave* wave, int start, int size, int, cst_audio_streaming_info* info)
{
    auto* state = static_cast<StreamState*>(info->userdata);
    if (state->tellWords) std::exchange(state->tellWords, nullptr)();
    if (wave && size > 0) state->PassOn(*wave, start + size);
    return state->stopped ? CST_AUDIO_STREAM_STOP : CST_AUDIO_STREAM_CONT;
}

class FliteSession final : public VoiceEngine::Session {
public:
    explicit FliteSession(const FliteLibrary& library) : library_(library) {}

    HRESULT Synthesize(const std::string& voiceIdentifier, const SpeechStyle& style, std::string_view text,
                       const PcmSink& sink, const WordSink* words) override
    {
        if (!IsFliteVoice(voiceIdentifier)) return SPERR_ENGINE_FAILED;
        const std::string name = voiceIdentifier.substr(std::string_view(kPrefix).size());
        cst_voice* voice = library_.Voice(name);
        if (!voice) return SPERR_ENGINE_FAILED;
        GivenText spelled;
        if (style.spell) spelled = Spelled(text), text = spelled.bytes;
        std::uint64_t delivered = 0;  // samples, for the words' times
        const PcmSink counted = [&](const std::int16_t* samples, std::size_t count) {
            delivered += count;
            return sink(samples, count);
        };
        std::lock_guard turn(RandomSequenceTurn());
        for (std::string_view utterance : Utterances(text)) {
            std::function<void(const cst_utterance&)> tell;
            if (words)
                tell = [&, offset = static_cast<std::size_t>(utterance.data() - text.data()), first = delivered](
                           const cst_utterance& said) { TellWords(library_, said, utterance, offset, spelled, first, *words); };
            HRESULT hr = SynthesizeUtterance(*voice, style, std::string(utterance), counted, tell);
            if (hr != S_OK) return hr == S_FALSE ? S_OK : hr;
        }
        return S_OK;
    }

private:
    // A clustergen voice with a separate pitch model (spamf0), which f0_shift misses.
    bool HasOwnPitchModel(const cst_voice& voice) const
    {
        const cst_val* data = library_.FeatValue(voice.features, "cg_db");
        return data && library_.ClustergenData(data)->spamf0;
    }

    // S_OK, S_FALSE when the sink stopped, SPERR_ENGINE_FAILED.
    HRESULT SynthesizeUtterance(cst_voice& voice, const SpeechStyle& style, const std::string& text,
                                const PcmSink& sink, const std::function<void(const cst_utterance&)>& tellWords)
    {
        const FliteLibrary& f = library_;
        cst_utterance* utterance = f.NewUtterance();
        if (!utterance) return SPERR_ENGINE_FAILED;
        f.SetInputText(utterance, text.c_str());
        // Set on the utterance, not the voice: the voice is shared by every request.
        double stretch = double(kNormalWpm) / WordsPerMinuteForRate(style.rate);
        if (style.emphasis) stretch *= 1.15;
        f.SetFloat(utterance->features, "duration_stretch", static_cast<float>(stretch));
        // Diphone voices name their mean pitch; clustergen voices scale theirs by f0_shift,
        // except those whose contour comes from a model of its own (RMS's), which flite
        // leaves as it is: their samples are shifted instead.
        double factor = std::pow(2.0, std::clamp(style.pitch, -10, 10) / 20.0) * (style.emphasis ? 1.1 : 1.0);
        float meanPitch = f.GetFloat(voice.features, "int_f0_target_mean", 0.0f);
        StreamState state;
        state.sink = &sink;
        if (HasOwnPitchModel(voice))
            state.pitch = factor != 1.0 ? std::make_unique<TimeStretch>(1.0, kNativeSampleRate, factor) : nullptr;
        else if (meanPitch > 0)
            f.SetFloat(utterance->features, "int_f0_target_mean", static_cast<float>(meanPitch * factor));
        else
            f.SetFloat(utterance->features, "f0_shift", static_cast<float>(factor));
        cst_audio_streaming_info* info = f.NewStreamingInfo();
        info->asc = &OnChunk;
        info->userdata = &state;
        f.SetValue(utterance->features, "streaming_info", f.StreamingInfoValue(info));  // freed with the utterance

        if (tellWords) state.tellWords = [&] { tellWords(*utterance); };
        std::srand(kNoiseSeed);
        utterance = f.DoSynth(utterance, &voice, f.UttSynth);
        if (state.stopped) {
            if (utterance) f.DeleteUtterance(utterance);
            return state.Failed() ? SPERR_ENGINE_FAILED : S_FALSE;
        }
        if (!utterance) return SPERR_ENGINE_FAILED;
        if (state.tellWords) std::exchange(state.tellWords, nullptr)();  // a voice that did not stream
        // Whatever the voice made without streaming it.
        if (const cst_wave* wave = f.UttWave(utterance)) state.PassOn(*wave, wave->num_samples);
        f.DeleteUtterance(utterance);
        state.Finish();
        if (state.Failed()) return SPERR_ENGINE_FAILED;
        return state.stopped ? S_FALSE : S_OK;
    }

    const FliteLibrary& library_;
};

}  // namespace

bool IsFliteVoice(const std::string& identifier) { return identifier.rfind(kPrefix, 0) == 0; }

std::unique_ptr<FliteEngine> FliteEngine::Load()
{
    const FliteLibrary* library = FliteLibrary::Load();
    if (!library) return nullptr;
    return std::unique_ptr<FliteEngine>(new FliteEngine(*library));
}

FliteEngine::FliteEngine(const FliteLibrary& library) : library_(library)
{
    for (const std::string& name : library.voices())
        voices_.push_back({kPrefix + name, DescriptionOf(name), "en-us"});
}

std::string FliteEngine::PreferredVoiceFor(const std::string& languageTag)
{
    if (!IsEnglishTag(languageTag)) return {};
    std::string clearest = ClearestEnglishVoice(voices_);
    return clearest.empty() ? voices_.front().identifier : clearest;
}

std::unique_ptr<VoiceEngine::Session> FliteEngine::Begin() { return std::make_unique<FliteSession>(library_); }

}  // namespace speech
