#include "request_renderer.h"

#include "file_output.h"
#include "pcm_converter.h"
#include "source_positions.h"
#include "spoken_events.h"
#include "text_pieces.h"

#include <atlbase.h>

#include <algorithm>

namespace speech {
namespace {

constexpr std::size_t kSilenceChunkSamples = kNativeSampleRate / 50;  // 20 ms

class OutputWriter {
public:
    OutputWriter(ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel, RenderObserver* observer)
        : output_(output), converter_(format), cancel_(cancel), observer_(observer)
    {
        // Writes of about 10 ms: a purge is noticed between two of them.
        pieceBytes_ = std::max<std::size_t>(format.nBlockAlign, format.nAvgBytesPerSec / 100 / format.nBlockAlign
                                                                   * format.nBlockAlign);
    }

    // False when the request must stop (cancelled or the output failed).
    bool Push(const std::int16_t* samples, std::size_t count, int gain)
    {
        samples_ += count;
        bytes_.clear();
        converter_.Push(samples, count, gain, bytes_);
        return WriteBytes();
    }

    bool Finish()
    {
        bytes_.clear();
        converter_.Finish(bytes_);
        return WriteBytes();
    }

    HRESULT result() const { return result_; }
    bool stopped() const { return FAILED(result_) || cancel_.IsCancelled(); }
    // Native samples pushed so far, and the output's bytes written.
    std::uint64_t samples() const { return samples_; }
    std::uint64_t written() const { return written_; }

private:
    bool WriteBytes()
    {
        for (std::size_t at = 0; at < bytes_.size(); at += pieceBytes_) {
            if (observer_) observer_->WaitWhilePaused(cancel_);
            if (cancel_.IsCancelled()) return false;
            auto size = static_cast<ULONG>(std::min(pieceBytes_, bytes_.size() - at));
            HRESULT hr = output_->Write(bytes_.data() + at, size, nullptr);
            if (FAILED(hr)) {
                result_ = hr;
                return false;
            }
            written_ += size;
        }
        return !cancel_.IsCancelled();
    }

    ISequentialStream* output_;
    PcmConverter converter_;
    CancelToken& cancel_;
    RenderObserver* observer_;
    std::size_t pieceBytes_;
    std::vector<std::uint8_t> bytes_;
    std::uint64_t samples_ = 0;
    std::uint64_t written_ = 0;
    HRESULT result_ = S_OK;
};

// Tells the observer where the request's stream starts and, however the rendering
// ends, where it ends.
class StreamBounds {
public:
    StreamBounds(RenderObserver* observer, const OutputWriter& writer) : observer_(observer), writer_(writer)
    {
        Tell(SPEI_START_INPUT_STREAM);
    }
    ~StreamBounds() { Tell(SPEI_END_INPUT_STREAM); }
    StreamBounds(const StreamBounds&) = delete;
    StreamBounds& operator=(const StreamBounds&) = delete;

private:
    void Tell(SPEVENTENUM id)
    {
        if (!observer_) return;
        RenderedEvent event;
        event.id = id;
        event.offset = writer_.written();
        observer_->Event(event);
    }

    RenderObserver* observer_;
    const OutputWriter& writer_;
};

// A text piece's synthesis as the observer hears of it: its words, sentences and
// their ends, at the request's positions and output offsets.
class PieceEvents {
public:
    PieceEvents(const SpeechPiece& piece, std::size_t from, std::string_view text, std::uint64_t firstSample,
                const WAVEFORMATEX& format, RenderObserver& observer)
        : positions_(piece), from_(from), format_(format), observer_(observer), firstSample_(firstSample),
          spoken_(text, [this](const SpokenEvent& event) { Tell(event); })
    {
    }

    const WordSink* words() const { return &words_; }
    void Samples(const std::int16_t* samples, std::size_t count) { spoken_.Samples(samples, count); }
    void Finish() { spoken_.Finish(); }

private:
    void Tell(const SpokenEvent& event)
    {
        observer_.Event(RenderedFrom(event, positions_, from_, format_, firstSample_));
    }

    SourcePositions positions_;
    std::size_t from_;  // where the synthesized text starts in the piece's
    const WAVEFORMATEX& format_;
    RenderObserver& observer_;
    std::uint64_t firstSample_;
    SpokenEvents spoken_;
    WordSink words_ = [this](const WordMark& word) { spoken_.Word(word); };
};

// Synthesizes `text` (the piece's from byte `from`) into the writer, telling the
// observer its events.
HRESULT SynthesizeText(Synthesizer::Session& synthesizer, const SpeechPiece& piece, std::size_t from,
                       std::string_view text, const VoiceSettings& settings, const WAVEFORMATEX& format,
                       RenderObserver* observer, const PcmSink& sink, std::uint64_t firstSample)
{
    const SpeechStyle style = StyleOf(piece, settings);
    if (!observer) return synthesizer.Synthesize(settings.voice, style, text, sink);
    PieceEvents events(piece, from, text, firstSample, format, *observer);
    HRESULT hr = synthesizer.Synthesize(settings.voice, style, text,
                                        [&](const std::int16_t* samples, std::size_t count) {
                                            events.Samples(samples, count);
                                            return sink(samples, count);
                                        },
                                        events.words());
    events.Finish();
    return hr;
}

}  // namespace

std::uint64_t OutputBytesAt(const WAVEFORMATEX& format, std::uint64_t sample)
{
    return sample * format.nSamplesPerSec / kNativeSampleRate * format.nBlockAlign;
}

RenderedEvent RenderedFrom(const SpokenEvent& event, SourcePositions& positions, std::size_t from,
                           const WAVEFORMATEX& format, std::uint64_t firstSample)
{
    static constexpr SPEVENTENUM kIds[] = {SPEI_WORD_BOUNDARY, SPEI_SENTENCE_BOUNDARY, SPEI_TTS_PRIVATE};
    RenderedEvent told;
    told.id = kIds[static_cast<int>(event.kind)];
    told.position = positions.UnitOf(from + event.position);
    told.length = positions.UnitOf(from + event.position + event.length) - told.position;
    told.offset = OutputBytesAt(format, firstSample + event.sample);
    return told;
}

SpeechStyle StyleOf(const SpeechPiece& piece, const VoiceSettings& settings)
{
    SpeechStyle style;
    style.rate = std::clamp(piece.absoluteRate.value_or(settings.rate) + piece.rateChange, -10, 10);
    style.pitch = piece.pitch;
    style.emphasis = piece.emphasis;
    style.spell = piece.spell;
    return style;
}

int GainOf(const SpeechPiece& piece, const VoiceSettings& settings)
{
    return std::clamp(settings.volume, 0, 100) * std::clamp(piece.volume, 0, 100);
}

std::vector<std::size_t> TakeChapterStarts(const std::vector<SpeechPiece>& pieces, ISequentialStream* output)
{
    CComPtr<IEngineFileOutput> file;
    if (!output || FAILED(output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file)))) return {};
    if (pieces.size() != 1 || pieces[0].kind != SpeechPiece::Kind::Text) return {};
    std::vector<ULONG> units;
    file->TakeChapterStarts(&units);
    std::vector<std::size_t> starts;
    for (ULONG position : units) starts.push_back(Utf8OffsetOfUnits(pieces[0].text, position));
    return starts;
}

namespace {

// The text of one piece said in stretches, the output told where each chapter begins.
HRESULT SynthesizeInChapters(Synthesizer::Session& synthesizer, const SpeechPiece& piece,
                             const VoiceSettings& settings, const std::vector<std::size_t>& chapterStarts,
                             ISequentialStream* output, const WAVEFORMATEX& format, RenderObserver* observer,
                             OutputWriter& writer, const PcmSink& sink)
{
    CComPtr<IEngineFileOutput> file;
    output->QueryInterface(IID_IEngineFileOutput, reinterpret_cast<void**>(&file));
    const std::string_view text = piece.text;
    std::size_t from = 0;
    for (std::size_t next = 0; next <= chapterStarts.size(); ++next) {
        const std::size_t to = next < chapterStarts.size() ? std::min(chapterStarts[next], text.size()) : text.size();
        if (to > from)
            if (HRESULT hr = SynthesizeText(synthesizer, piece, from, text.substr(from, to - from), settings, format,
                                            observer, sink, writer.samples());
                FAILED(hr))
                return hr;
        from = std::max(from, to);
        if (next < chapterStarts.size() && file) file->StartChapter();
    }
    return S_OK;
}

}  // namespace

HRESULT RenderRequest(const std::vector<SpeechPiece>& pieces, const VoiceSettings& settings,
                      ISequentialStream* output, const WAVEFORMATEX& format, CancelToken& cancel,
                      const std::vector<std::size_t>& chapterStarts, RenderObserver* observer)
{
    OutputWriter writer(output, format, cancel, observer);
    StreamBounds bounds(observer, writer);
    Synthesizer::Session synthesizer = Synthesizer::Instance().Begin();
    if (!chapterStarts.empty() && pieces.size() == 1 && pieces[0].kind == SpeechPiece::Kind::Text) {
        const int gain = GainOf(pieces[0], settings);
        HRESULT hr = SynthesizeInChapters(synthesizer, pieces[0], settings, chapterStarts, output, format, observer,
                                          writer, [&](const std::int16_t* samples, std::size_t count) {
                                              return writer.Push(samples, count, gain);
                                          });
        if (FAILED(hr)) return hr;
        if (writer.stopped()) return writer.result();
        writer.Finish();
        return writer.result();
    }
    for (const SpeechPiece& piece : pieces) {
        int gain = GainOf(piece, settings);
        if (piece.kind == SpeechPiece::Kind::Silence) {
            static const std::int16_t kZeros[kSilenceChunkSamples] = {};
            std::size_t left = std::size_t{piece.silenceMs} * kNativeSampleRate / 1000;
            while (left > 0 && !writer.stopped()) {
                std::size_t count = std::min(left, kSilenceChunkSamples);
                writer.Push(kZeros, count, gain);
                left -= count;
            }
        } else if (piece.kind == SpeechPiece::Kind::Bookmark) {
            if (observer) {
                RenderedEvent mark;
                mark.id = SPEI_TTS_BOOKMARK;
                mark.offset = OutputBytesAt(format, writer.samples());
                mark.bookmark = piece.text;
                observer->Event(mark);
            }
        } else {
            HRESULT hr = SynthesizeText(synthesizer, piece, 0, piece.text, settings, format, observer,
                                        [&](const std::int16_t* samples, std::size_t count) {
                                            return writer.Push(samples, count, gain);
                                        },
                                        writer.samples());
            if (FAILED(hr)) return hr;
        }
        if (writer.stopped()) return writer.result();
    }
    writer.Finish();
    return writer.result();
}

}  // namespace speech
